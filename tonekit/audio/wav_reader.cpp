#include "audio/wav_reader.h"

#include <sys/stat.h>

#include <cstring>

#include "audio/reader_slots.h"
#include "util/little_endian.h"
#include "util/regular_file.h"

namespace tonekit::audio {
namespace {

struct Chunk {
    char id[4];
    uint32_t size;
    uint64_t payload;  // absolute offset of the payload

    uint64_t End() const { return payload + size + (size & 1u); }
    bool Is(const char* name) const { return std::memcmp(id, name, 4) == 0; }
};

bool ReadAt(FILE* f, uint64_t offset, void* into, size_t bytes) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(into, 1, bytes, f) == bytes;
}

// Reads the chunk header at `at` if the whole header lies before `limit`.
bool ReadChunk(FILE* f, uint64_t at, uint64_t limit, Chunk& chunk) {
    uint8_t raw[8];
    if (at + 8 > limit || !ReadAt(f, at, raw, 8)) return false;
    std::memcpy(chunk.id, raw, 4);
    chunk.size = util::LoadLe32(raw + 4);
    chunk.payload = at + 8;
    return true;
}

// Scans the chunks from `at` up to `limit` for `name`. Chunks skipped on the way
// must lie within `limit`.
bool FindChunk(FILE* f, uint64_t at, uint64_t limit, const char* name, Chunk& found) {
    while (ReadChunk(f, at, limit, found)) {
        if (found.Is(name)) return true;
        if (found.payload + found.size > limit) return false;
        at = found.End();
    }
    return false;
}

// Finds the first top-level RIFF chunk of form WAVE; returns the end of its
// payload, or 0. A RIFF size of 0 (a file never finalised) or one that runs
// past the file is taken as "up to the end of the file".
uint64_t FindWaveForm(FILE* f, uint64_t fileLength, uint64_t& formStart) {
    uint64_t at = 0;
    Chunk chunk;
    while (ReadChunk(f, at, fileLength, chunk)) {
        char form[4];
        const bool open = chunk.size == 0 || chunk.payload + chunk.size > fileLength;
        if (chunk.Is("RIFF") && (open || chunk.size >= 4) && ReadAt(f, chunk.payload, form, 4) &&
            std::memcmp(form, "WAVE", 4) == 0) {
            formStart = chunk.payload + 4;
            return open ? fileLength : chunk.payload + chunk.size;
        }
        at = chunk.End();
    }
    return 0;
}

bool ParseWav(FILE* f, uint64_t fileLength, WavInfo& info) {
    uint64_t formStart = 0;
    const uint64_t riffEnd = FindWaveForm(f, fileLength, formStart);
    if (riffEnd == 0) return false;

    Chunk fmt;
    if (!FindChunk(f, formStart, riffEnd, "fmt ", fmt)) return false;
    if (fmt.size < 16 || fmt.payload + fmt.size > riffEnd) return false;
    uint8_t record[16];
    if (!ReadAt(f, fmt.payload, record, sizeof record)) return false;

    Chunk data;
    if (!FindChunk(f, fmt.End(), riffEnd, "data", data)) return false;
    if (data.payload > 0xFFFFFFFFu) return false;

    info.formatTag = util::LoadLe16(record + 0);
    info.channels = util::LoadLe16(record + 2);
    info.sampleRate = util::LoadLe32(record + 4);
    info.blockAlign = util::LoadLe16(record + 12);
    info.bitsPerSample = util::LoadLe16(record + 14);
    info.dataOffset = static_cast<uint32_t>(data.payload);
    info.dataBytes = data.size;
    return fseeko(f, static_cast<off_t>(data.payload), SEEK_SET) == 0;
}

WavFileReader g_slots[kReaderSlots];

}  // namespace

const WavInfo* WavFileReader::Open(const char* path) {
    Close();  // a file left open is closed rather than leaked
    file_ = util::OpenSourceFile(path);
    if (!file_) return nullptr;
    struct stat st;
    if (fstat(fileno(file_), &st) != 0 ||
        !ParseWav(file_, static_cast<uint64_t>(st.st_size), info_)) {
        info_ = WavInfo{};
        return nullptr;
    }
    return &info_;
}

int32_t WavFileReader::Read(int32_t count, char* buffer) {
    if (!file_ || count <= 0 || !buffer) return 0;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), file_);
    if (n == 0) return 0;
    const uint64_t before = position_;
    position_ += n;
    const uint64_t dataBytes = info_.dataBytes;
    if (position_ <= dataBytes) return static_cast<int32_t>(n);
    return before < dataBytes ? static_cast<int32_t>(dataBytes - before) : 0;
}

int32_t WavFileReader::Seek(uint32_t position) {
    if (!file_ || position >= info_.dataBytes) return -1;
    const uint64_t offset = uint64_t{info_.dataOffset} + position;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return -1;
    position_ = position;
    return static_cast<int32_t>(position);
}

void WavFileReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    position_ = 0;
    info_ = WavInfo{};
}

WavFileReader* WavSlot(int32_t slot) {
    return IsReaderSlot(slot) ? &g_slots[slot] : nullptr;
}

}  // namespace tonekit::audio

using tonekit::audio::WavSlot;

extern "C" WavInfo* OpenWAV(const char* fileName, int32_t slot) {
    auto* reader = WavSlot(slot);
    if (!reader || !fileName) return nullptr;
    return const_cast<WavInfo*>(reader->Open(fileName));
}

extern "C" int32_t ReadWAV(int32_t slot, int32_t byteCount, char* buffer) {
    auto* reader = WavSlot(slot);
    return reader ? reader->Read(byteCount, buffer) : 0;
}

extern "C" int32_t SeekWAV(int32_t slot, uint32_t position) {
    auto* reader = WavSlot(slot);
    return reader ? reader->Seek(position) : -1;
}

extern "C" void CloseWAV(int32_t slot) {
    if (auto* reader = WavSlot(slot)) reader->Close();
}

// Reading WAV files in numbered slots: RIFF chunk parsing, bounded by what the
// file holds, and reads clipped to the data chunk.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "audio/reader_slots.h"
#include "audio/wav_format.h"
#include "audio/wav_reader.h"
#include "tonekit.h"

namespace tonekit::audio {
namespace {

struct WavSlot {
    FILE* file = nullptr;
    uint64_t position = 0;  // bytes read since the first data byte
    WavInfo info{};
};

WavSlot g_slots[kReaderSlots];

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
    chunk.size = GetLe32(raw + 4);
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
// payload, clipped to the file length, or 0.
uint64_t FindWaveForm(FILE* f, uint64_t fileLength, uint64_t& formStart) {
    uint64_t at = 0;
    Chunk chunk;
    while (ReadChunk(f, at, fileLength, chunk)) {
        char form[4];
        if (chunk.Is("RIFF") && chunk.size >= 4 && ReadAt(f, chunk.payload, form, 4) &&
            std::memcmp(form, "WAVE", 4) == 0) {
            formStart = chunk.payload + 4;
            const uint64_t end = chunk.payload + chunk.size;
            return end < fileLength ? end : fileLength;
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

    info.formatTag = GetLe16(record + 0);
    info.channels = GetLe16(record + 2);
    info.sampleRate = GetLe32(record + 4);
    info.blockAlign = GetLe16(record + 12);
    info.bitsPerSample = GetLe16(record + 14);
    info.dataOffset = static_cast<uint32_t>(data.payload);
    info.dataBytes = data.size;
    return fseeko(f, static_cast<off_t>(data.payload), SEEK_SET) == 0;
}

void CloseSlot(WavSlot& slot) {
    if (slot.file) std::fclose(slot.file);
    slot.file = nullptr;
    slot.position = 0;
}

}  // namespace

uint64_t WavReadPosition(int32_t slot) {
    return IsReaderSlot(slot) && g_slots[slot].file ? g_slots[slot].position : 0;
}

}  // namespace tonekit::audio

using tonekit::audio::g_slots;
using tonekit::audio::IsReaderSlot;

extern "C" WavInfo* OpenWAV(const char* fileName, int32_t slotNumber) {
    if (!IsReaderSlot(slotNumber) || !fileName) return nullptr;
    auto& slot = g_slots[slotNumber];
    // A file left open in the slot is closed rather than leaked.
    tonekit::audio::CloseSlot(slot);
    slot.info = WavInfo{};

    FILE* f = std::fopen(fileName, "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    slot.file = f;
    if (!tonekit::audio::ParseWav(f, static_cast<uint64_t>(st.st_size), slot.info)) {
        // The handle stays in the slot until CloseWAV, as for any open slot.
        slot.info = WavInfo{};
        return nullptr;
    }
    return &slot.info;
}

extern "C" int32_t ReadWAV(int32_t slotNumber, int32_t byteCount, char* buffer) {
    if (!IsReaderSlot(slotNumber) || byteCount <= 0 || !buffer) return 0;
    auto& slot = g_slots[slotNumber];
    if (!slot.file) return 0;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(byteCount), slot.file);
    if (n == 0) return 0;
    const uint64_t before = slot.position;
    slot.position += n;
    const uint64_t dataBytes = slot.info.dataBytes;
    if (slot.position <= dataBytes) return static_cast<int32_t>(n);
    return before < dataBytes ? static_cast<int32_t>(dataBytes - before) : 0;
}

extern "C" int32_t SeekWAV(int32_t slotNumber, uint32_t position) {
    if (!IsReaderSlot(slotNumber)) return -1;
    auto& slot = g_slots[slotNumber];
    if (!slot.file || position >= slot.info.dataBytes) return -1;
    const uint64_t offset = uint64_t{slot.info.dataOffset} + position;
    if (fseeko(slot.file, static_cast<off_t>(offset), SEEK_SET) != 0) return -1;
    slot.position = position;
    return static_cast<int32_t>(position);
}

extern "C" void CloseWAV(int32_t slotNumber) {
    if (IsReaderSlot(slotNumber)) tonekit::audio::CloseSlot(g_slots[slotNumber]);
}

// Ripping an audio-CD track, named by its TrackNN.cda path under a drive root,
// into a 44,100 Hz 16-bit stereo WAV file; listing a disc's tracks as files.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/wav_file_writer.h"
#include "cd/aspi.h"
#include "cd/cd_commands.h"
#include "cd/cd_layer.h"
#include "cd/cd_tracks.h"
#include "tonekit.h"

namespace tonekit::cd {
namespace {

constexpr uint32_t kSectorBytes = 2352;
constexpr int32_t kLeadInFrames = 150;  // MSF 00:02:00 is logical block 0

// The two digits before ".cda"; 0 when they are not digits.
int TrackNumber(const std::string& path) {
    if (path.size() < 6) return 0;
    const char tens = path[path.size() - 6], units = path[path.size() - 5];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') return 0;
    return (tens - '0') * 10 + (units - '0');
}

struct TrackSpan {
    int device;
    int32_t first, end;  // MSF frame addresses; first == end when there is nothing to read
};

TrackSpan Locate(const char* trackPath) {
    const std::string path = trackPath;
    TrackSpan span{FindCdDevice(strslash(trackPath)), 0, 0};
    if (span.device < 0) return span;
    const CdTrackTable& table = GetTrackTable(span.device);
    const int track = TrackNumber(path);
    if (track >= table.firstTrack && track <= table.lastTrack && table.firstTrack > 0) {
        span.first = table.start[track];
        span.end = table.start[track + 1];
    }
    return span;
}

bool IsAudioTrack(const CdTrackTable& table, int track) {
    const uint8_t control = table.toc[4 + 8 * (track - table.firstTrack) + 1] & 0x0F;
    return (control & 0x04) == 0;
}

std::string TrackFileName(int track) {
    return std::string("Track") + static_cast<char>('0' + track / 10 % 10) +
           static_cast<char>('0' + track % 10) + ".cda";
}

}  // namespace

std::vector<std::string> DiscTrackFiles(int device) {
    std::vector<std::string> names;
    const CdTrackTable& table = GetTrackTable(device);
    for (int t = table.firstTrack; t > 0 && t <= table.lastTrack; ++t)
        if (IsAudioTrack(table, t)) names.push_back(TrackFileName(t));
    return names;
}

bool ListDriveRoot(const std::string& folder, std::vector<std::string>& names) {
    const int device = FindCdDevice(folder);
    if (device < 0) return false;
    names = DiscTrackFiles(device);
    return true;
}

}  // namespace tonekit::cd

using namespace tonekit::cd;

extern "C" int32_t CDtoWAV(const char* trackPath, const char* outputPath, int32_t,
                           ProgressCallback progress) {
    if (progress) progress(-1);
    if (!trackPath || !outputPath) return 0;
    const TrackSpan span = Locate(trackPath);
    tonekit::audio::WavFileWriter out;
    if (!out.Create(outputPath, tonekit::audio::WavHeaderTemplate())) return 0;
    if (span.first < span.end) StartCdUnit(span.device);
    const int64_t sectors = span.end - span.first;
    uint8_t sector[kSectorBytes];
    for (int32_t a = span.first; a < span.end; ++a) {
        std::memset(sector, 0, sizeof sector);
        if (ReadCdSector(span.device, static_cast<uint32_t>(a - kLeadInFrames), 1, sector) !=
            SS_COMP)
            break;
        if (!out.Write(sector, sizeof sector)) break;
        if (progress && progress(static_cast<int32_t>(100 * (a - span.first) / sectors))) break;
    }
    return out.Finish() ? 1 : 0;
}

extern "C" int32_t SearchCDTracks(SearchFilesCallback callback) {
    if (!callback) return 0;
    int32_t reported = 0;
    for (int device = 0; device < CdDeviceCount(); ++device) {
        const std::string& root = GetCdDevice(device).root;
        for (const auto& name : DiscTrackFiles(device)) {
            const std::string path = root + name;
            ++reported;
            if (callback(path.c_str(), root.c_str(), name.c_str(), 1)) break;
        }
    }
    return reported;
}

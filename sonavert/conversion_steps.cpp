#include "conversion_steps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "converter.h"

namespace sonavert {
namespace {

constexpr int kRipAttempts = 9;
constexpr int32_t kRippedEnough = 1024;  // bytes a rip must reach to count
constexpr int32_t kWavHeaderBytes = 44;

void NoSampleHook(void*) {}

bool RipCdTrack(const Tonekit& tk, const std::string& track, const std::string& scratch,
                const StepHooks& hooks) {
    for (int attempt = 0; attempt < kRipAttempts; ++attempt) {
        tk.CDtoWAV(track.c_str(), scratch.c_str(), attempt, hooks.progress);
        if (tk.FileSize(scratch.c_str()) >= kRippedEnough) return true;
        if (hooks.stopRequested && hooks.stopRequested()) return false;
    }
    if (hooks.ripFailed) hooks.ripFailed();
    return false;
}

}  // namespace

bool DecodeToScratch(const Tonekit& tk, int type, const std::string& input,
                     const std::string& scratch, const StepHooks& hooks) {
    bool decoded = false;
    if (type == kWav) {
        decoded = tk.ResampleWAV(input.c_str(), scratch.c_str(), 44100, 16, 2, 0, hooks.progress,
                                 NoSampleHook, 1) != nullptr;
    } else if (type == kCdTrack) {
        decoded = RipCdTrack(tk, input, scratch, hooks);
    } else {  // MP3, WMA, and whatever else the reader decodes (FLAC, Ogg, ...)
        decoded = tk.WMA2WAV(input.c_str(), scratch.c_str(), hooks.progress) == 0;
    }
    return decoded && tk.FileSize(scratch.c_str()) > kWavHeaderBytes;
}

bool EncodeFromScratch(const Tonekit& tk, int format, const std::string& scratch,
                       const std::string& output, int32_t bitrate, const StepHooks& hooks) {
    if (format == kWav)
        return tk.ResampleWAV(scratch.c_str(), output.c_str(), 44100, 16, 2, 0, hooks.progress,
                              NoSampleHook, 1) != nullptr;
    if (format == kMp3)
        return tk.WAV2MP3(scratch.c_str(), output.c_str(), bitrate, 44100, hooks.progress) == 0;
    return tk.WAV2WMA(scratch.c_str(), output.c_str(), bitrate, hooks.progress) == 0;
}

std::string TemporaryFor(const std::string& output) {
    return FolderOf(output) + "." + NameOf(output) + ".sonavert-part";
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a hard link refuses an
    // existing name too, and the old name is dropped once the new one holds.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

}  // namespace sonavert

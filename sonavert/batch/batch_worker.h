// One conversion at a time in a worker process of its own: the library's
// reader and WAV slots are process-wide, so each running conversion gets a
// process, a private scratch folder and a pipe to report on.
#pragma once

#include <string>
#include <vector>

#include "batch_plan.h"
#include "encode_settings.h"
#include "tonekit_binding.h"

namespace sonavert::batch {

struct WorkerSettings {
    int format = 0;
    int32_t bitrate = 128;
    bool verify = true;
    std::string scratchFolder;  // a folder only this worker uses
    // FLAC, Opus, Ogg, M4A and gapless MP3 through FFmpeg's encoders.
    bool throughEncoders = false;
    encode::EncodeSettings encoder;
    int parts = 1;                 // a single long MP3: encoded in parts at once
    bool measureLoudness = false;  // --replaygain
};

// A worker reads job numbers (indexes into the plan), one per line, from its
// command pipe and converts them one at a time until the pipe closes. For
// each it writes on its report pipe "p <phase> <percent>" while it works,
// "t <path>" once its temporary output exists, "g <loudness>" when it
// measured the output, then "r 1" or "r 0 <reason>". One worker serves many jobs, so the codecs are
// loaded once per worker.
//
// SIGINT, SIGTERM or SIGHUP fail the job under way as interrupted and end the
// worker; so does its coordinator's death (the worker asks for SIGTERM then).
// Whatever ends it, the worker leaves no scratch or temporary file behind.
int RunWorker(const Tonekit& tk, const std::vector<PlannedJob>& plan,
              const WorkerSettings& settings, int commandFd, int reportFd, pid_t coordinator);

// Makes SIGINT, SIGTERM and SIGHUP request a stop, in the coordinator and in
// each worker.
void CatchStopSignals();
void RequestStop();
bool StopRequested();

}  // namespace sonavert::batch

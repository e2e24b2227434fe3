#include "batch_options.h"

#include <charconv>

namespace sonavert::batch {
namespace {

constexpr int kMaxJobs = 64;

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// Applies one option that takes a value; false with `error` set when the
// value is not one it accepts.
bool ApplyValue(const std::string& name, const std::string& value, BatchOptions& o,
                std::string& error) {
    int number = 0;
    if (name == "--to") {
        for (const char* format : {"mp3", "wma", "wav", "flac", "opus", "ogg", "m4a"})
            if (value == format) o.format = value;
        if (o.format.empty())
            error = "--to takes mp3, wma, wav, flac, opus, ogg or m4a, not '" + value + "'";
    } else if (name == "--bitrate") {
        if (ParseInt(value, number) && (number == 320 || number == 256 || number == 192 ||
                                        number == 128 || number == 64 || number == 32))
            o.bitrate = number;
        else
            error = "--bitrate takes 320, 256, 192, 128, 64 or 32, not '" + value + "'";
    } else if (name == "--quality") {
        if (ParseInt(value, number) && number >= 0 && number <= 9)
            o.quality = number;
        else
            error = "--quality takes 0 (best) to 9, not '" + value + "'";
    } else if (name == "--rate") {
        if (ParseInt(value, number) && number >= 8000 && number <= 192000)
            o.rate = number;
        else
            error = "--rate takes a rate from 8000 to 192000 Hz, not '" + value + "'";
    } else if (name == "--channels") {
        if (ParseInt(value, number) && number >= 1 && number <= 8)
            o.channels = number;
        else
            error = "--channels takes 1 to 8, not '" + value + "'";
    } else if (name == "--replaygain") {
        if (value == "track" || value == "album")
            o.replaygain = value;
        else
            error = "--replaygain takes track or album, not '" + value + "'";
    } else if (name == "--output") {
        if (value.empty())
            error = "--output needs a folder";
        else
            o.outputFolder = value.back() == '/' ? value : value + "/";
    } else if (name == "--jobs") {
        if (ParseInt(value, number) && number >= 1 && number <= kMaxJobs)
            o.jobs = number;
        else
            error = "--jobs takes a number from 1 to 64, not '" + value + "'";
    } else {  // --on-exists
        if (value == "overwrite")
            o.onExists = OnExists::kOverwrite;
        else if (value == "skip")
            o.onExists = OnExists::kSkip;
        else if (value == "rename")
            o.onExists = OnExists::kRename;
        else
            error = "--on-exists takes overwrite, skip or rename, not '" + value + "'";
    }
    return error.empty();
}

bool TakesValue(const std::string& name) {
    for (const char* option : {"--to", "--bitrate", "--output", "--jobs", "--on-exists",
                               "--quality", "--rate", "--channels", "--replaygain"})
        if (name == option) return true;
    return false;
}

bool ApplyFlag(const std::string& name, BatchOptions& o) {
    if (name == "--recursive")
        o.recursive = true;
    else if (name == "--dry-run")
        o.dryRun = true;
    else if (name == "--no-verify")
        o.verify = false;
    else if (name == "--quiet")
        o.quiet = true;
    else
        return false;
    return true;
}

ParsedCommand UsageError(std::string error) {
    return {Command::kUsageError, {}, std::move(error)};
}

}  // namespace

bool IsBatchCommand(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    const std::string& first = arguments.front();
    return first == "--convert" || first == "--help" || first == "--version";
}

ParsedCommand ParseBatchCommand(const std::vector<std::string>& arguments) {
    if (arguments.empty() || !IsBatchCommand(arguments))
        return UsageError("the first argument must be --convert, --help or --version");
    if (arguments.front() == "--help") return {Command::kHelp, {}, {}};
    if (arguments.front() == "--version") return {Command::kVersion, {}, {}};
    ParsedCommand parsed{Command::kConvert, {}, {}};
    BatchOptions& o = parsed.options;
    bool optionsEnded = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            o.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (TakesValue(name)) {
            std::string value;
            if (equals != std::string::npos)
                value = argument.substr(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return UsageError(name + " needs a value");
            std::string error;
            if (!ApplyValue(name, value, o, error)) return UsageError(error);
        } else if (equals != std::string::npos || !ApplyFlag(name, o)) {
            return UsageError("unknown option '" + argument + "'");
        }
    }
    if (o.inputs.empty()) return UsageError("no files or folders to convert");
    return parsed;
}

const char* BatchHelp() {
    return R"(NAME
    sonavert --convert - convert audio files without the window

SYNOPSIS
    sonavert --convert [--to mp3|wma|wav|flac|opus|ogg|m4a] [--bitrate KBPS]
                       [--quality 0-9] [--rate HZ] [--channels N]
                       [--replaygain track|album] [--output DIR] [--jobs N]
                       [--recursive] [--on-exists overwrite|skip|rename]
                       [--dry-run] [--no-verify] [--quiet] FILE|FOLDER...
    sonavert --help | --version

DESCRIPTION
    Converts WAV, MP3 and WMA files and audio-CD tracks (/dev/sr0/Track03.cda)
    to one output format, as the converter's window does, on every core. Each
    output is written under a temporary name and takes its own name only when
    complete; its tags and front cover are carried over from the input.
    Defaults for the format, the bitrate and the output folder come from the
    converter's settings; options override them for this run only.

OPTIONS
    --to FORMAT          mp3, wma, wav, flac, opus, ogg (Vorbis) or m4a (AAC).
                         FLAC, Opus, Ogg and M4A keep the input's rate and
                         channels (FLAC its bit depth too); Opus outputs are
                         at 48,000 Hz unless the input is at a rate Opus takes.
                         MP3 outputs are gapless: they decode to exactly the
                         input's samples.
    --bitrate KBPS       320, 256, 192, 128, 64 or 32 (lossy formats).
    --quality Q          MP3 at a variable bit rate, 0 (best) to 9.
    --rate HZ            resample to this rate (mp3, flac, opus, ogg, m4a).
    --channels N         mix to N channels (mp3, flac, opus, ogg, m4a).
    --replaygain MODE    measure loudness (EBU R128) and write ReplayGain 2.0
                         tags: track, or album (the files of one input folder
                         make an album; their tracks get both gains).
    --output DIR         the folder the outputs go to.
    --jobs N             conversions at once (default: the number of cores); a
                         single input to constant-bit-rate MP3 is encoded in
                         N parts at once.
    --recursive          search the given folders' subfolders too.
    --on-exists ACTION   when an output exists, or two inputs would make the same
                         output: rename (default; "name (2).mp3"), skip, or
                         overwrite (an existing file only; two inputs never
                         overwrite each other).
    --dry-run            print the plan (input -> output, action) and stop.
    --no-verify          do not check each output by reading it back.
    --quiet              no progress, only the summary and errors.

EXIT STATUS
    0 every file converted (or skipped as asked), 1 a file failed, 2 bad usage,
    130 interrupted.

EXAMPLES
    sonavert --convert --to mp3 --bitrate 192 --output ~/Music/mp3 --recursive ~/Music/wav
    sonavert --convert --to flac --replaygain album --output ~/Music/flac ~/Music/wav/album
    sonavert --convert --to opus --bitrate 128 --channels 2 --output ~/phone ~/Music/flac
    sonavert --convert --to mp3 --quality 2 --output ~/Music/mp3 ~/Music/wav
)";
}

}  // namespace sonavert::batch

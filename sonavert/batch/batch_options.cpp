#include "batch_options.h"

#include <charconv>

#include "name_template.h"

namespace sonavert::batch {
namespace {

constexpr int kMaxJobs = 64;

struct OptionName {
    const char* name;  // "--to"
    char letter;       // 't', or 0 when it has no short form
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"--to", 't', true},       {"--bitrate", 'b', true},  {"--quality", 'q', true},
    {"--rate", 0, true},       {"--channels", 0, true},   {"--replaygain", 0, true},
    {"--output", 'o', true},   {"--name", 0, true},       {"--jobs", 'j', true},
    {"--on-exists", 0, true},  {"--shard", 0, true},      {"--recursive", 'r', false},
    {"--flat", 0, false},      {"--keep-time", 0, false}, {"--delete-source", 0, false},
    {"--dry-run", 'n', false}, {"--no-verify", 0, false}, {"--quiet", 0, false},
    {"--verbose", 'v', false}, {"--help", 'h', false},    {"--version", 0, false},
};

const OptionName* FindLong(const std::string& name) {
    for (const auto& option : kOptions)
        if (name == option.name) return &option;
    return nullptr;
}

const OptionName* FindShort(char letter) {
    for (const auto& option : kOptions)
        if (letter == option.letter) return &option;
    return nullptr;
}

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// `value` when it is one of `choices`, else an error naming them.
bool OneOf(const std::string& name, const std::string& value,
           const std::vector<std::string>& choices, std::string& field, std::string& error) {
    for (const auto& choice : choices)
        if (value == choice) {
            field = value;
            return true;
        }
    std::string list;
    for (size_t i = 0; i < choices.size(); ++i)
        list += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
    error = name + " takes " + list + ", not '" + value + "'";
    return false;
}

bool InRange(const std::string& name, const std::string& value, int low, int high, int& field,
             std::string& error) {
    int number = 0;
    if (ParseInt(value, number) && number >= low && number <= high) {
        field = number;
        return true;
    }
    error = name + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) +
            ", not '" + value + "'";
    return false;
}

// Applies one option that takes a value; false with `error` set when the
// value is not one it accepts.
bool ApplyValue(const std::string& name, const std::string& value, BatchOptions& o,
                std::string& error) {
    std::string choice;
    if (name == "--to")
        return OneOf(name, value, {"mp3", "wma", "wav", "flac", "opus", "ogg", "m4a"}, o.format,
                     error);
    if (name == "--bitrate") {
        if (!OneOf(name, value, {"320", "256", "192", "128", "64", "32"}, choice, error))
            return false;
        o.bitrate = std::stoi(choice);
        return true;
    }
    if (name == "--quality") return InRange(name, value, 0, 9, o.quality, error);
    if (name == "--rate") return InRange(name, value, 8000, 384000, o.rate, error);
    if (name == "--channels") return InRange(name, value, 1, 8, o.channels, error);
    if (name == "--replaygain") return OneOf(name, value, {"track", "album"}, o.replaygain, error);
    if (name == "--jobs") return InRange(name, value, 1, kMaxJobs, o.jobs, error);
    if (name == "--shard") return ParseShard(value, o.shard, error);
    if (name == "--name") {
        o.nameTemplate = value;
        return NameTemplate::Parse(value, error).has_value();
    }
    if (name == "--output") {
        if (value.empty()) error = "--output needs a folder";
        o.outputFolder = value.empty() || value.back() == '/' ? value : value + "/";
        return !value.empty();
    }
    // --on-exists
    if (!OneOf(name, value, {"rename", "overwrite", "skip"}, choice, error)) return false;
    o.onExists = choice == "rename"      ? OnExists::kRename
                 : choice == "overwrite" ? OnExists::kOverwrite
                                         : OnExists::kSkip;
    return true;
}

void ApplyFlag(const std::string& name, BatchOptions& o) {
    if (name == "--recursive") o.recursive = true;
    if (name == "--flat") o.flat = true;
    if (name == "--keep-time") o.keepTime = true;
    if (name == "--delete-source") o.deleteSource = true;
    if (name == "--dry-run") o.dryRun = true;
    if (name == "--no-verify") o.verify = false;
    if (name == "--quiet") o.quiet = true;
    if (name == "--verbose") o.verbose = true;
}

ParsedCommand UsageError(std::string error) {
    return {Command::kUsageError, {}, std::move(error)};
}

// Choices that cannot hold together.
std::string Contradiction(const BatchOptions& o) {
    if (o.inputs.empty()) return "no files or folders to convert";
    if (o.deleteSource && !o.verify)
        return "--delete-source removes only inputs whose output was verified; drop --no-verify";
    if (o.quiet && o.verbose) return "--quiet and --verbose contradict each other";
    if (o.quality >= 0 && o.bitrate)
        return "--quality (VBR) and --bitrate (CBR) exclude each other";
    return "";
}

}  // namespace

bool IsBatchCommand(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments.front() == "--convert") return true;
    for (const auto& argument : arguments) {
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h" || argument == "--version") return true;
    }
    return false;
}

ParsedCommand ParseBatchCommand(const std::vector<std::string>& arguments) {
    if (!IsBatchCommand(arguments))
        return UsageError("the first argument must be --convert, --help or --version");
    for (const auto& argument : arguments) {
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") return {Command::kHelp, {}, {}};
        if (argument == "--version") return {Command::kVersion, {}, {}};
    }
    ParsedCommand parsed{Command::kConvert, {}, {}};
    BatchOptions& o = parsed.options;
    bool optionsEnded = false;
    for (size_t i = arguments.front() == "--convert" ? 1 : 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            o.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // The options this argument holds: one long one, or a bundle of letters.
        std::vector<std::pair<const OptionName*, std::optional<std::string>>> found;
        if (argument[1] == '-') {
            const size_t equals = argument.find('=');
            const OptionName* option = FindLong(argument.substr(0, equals));
            if (!option || (equals != std::string::npos && !option->takesValue))
                return UsageError("unknown option '" + argument + "'");
            found.push_back({option, equals == std::string::npos
                                         ? std::nullopt
                                         : std::optional(argument.substr(equals + 1))});
        } else {
            for (size_t k = 1; k < argument.size(); ++k) {
                const OptionName* option = FindShort(argument[k]);
                if (!option)
                    return UsageError("unknown option '-" + std::string(1, argument[k]) + "'");
                const bool rest = option->takesValue && k + 1 < argument.size();
                found.push_back(
                    {option, rest ? std::optional(argument.substr(k + 1)) : std::nullopt});
                if (option->takesValue) break;
            }
        }
        for (auto& [option, value] : found) {
            if (!option->takesValue) {
                ApplyFlag(option->name, o);
                continue;
            }
            if (!value && i + 1 >= arguments.size())
                return UsageError(std::string(option->name) + " needs a value");
            std::string error;
            if (!ApplyValue(option->name, value ? *value : arguments[++i], o, error))
                return UsageError(error);
        }
    }
    if (const std::string error = Contradiction(o); !error.empty()) return UsageError(error);
    return parsed;
}

const char* BatchHelp() {
    return R"(NAME
    sonavert --convert - convert audio files without the window

SYNOPSIS
    sonavert --convert [OPTION]... FILE|FOLDER...
    sonavert --help | --version

DESCRIPTION
    Converts audio files (WAV, MP3, WMA, FLAC, Ogg, Opus, M4A and whatever else
    FFmpeg reads), CUE sheets with their disc image, and audio-CD tracks
    (/dev/sr0/Track03.cda) to one output format, on every core. A folder gives
    its audio files and CUE sheets; other files in it (covers, playlists) are
    left out. Each output is written under a temporary name and takes its own
    name only when complete and checked; its tags and front cover are carried
    over from the input. No input is ever replaced by another input's output.
    Defaults for the format, the bitrate and the output folder come from the
    converter's settings; options override them for this run only. Running
    the same command again converts only what is new.

OPTIONS
    -t, --to FORMAT        mp3, wma, wav, flac, opus, ogg (Vorbis) or m4a (AAC).
                           FLAC, Opus, Ogg and M4A keep the input's rate and
                           channels (FLAC its bit depth too); Opus outputs are
                           at 48,000 Hz unless the input is at a rate Opus
                           takes. MP3 outputs are gapless: they decode to
                           exactly the input's samples.
    -b, --bitrate KBPS     320, 256, 192, 128, 64 or 32 (constant bitrate).
    -q, --quality N        MP3 variable bitrate, 0 (best) to 9.
        --rate HZ          output sample rate (default: 44,100 for MP3, WMA and
                           WAV; the source's for the other formats).
        --channels N       output channels, 1 to 8.
        --replaygain MODE  track or album: measure loudness (EBU R128) and
                           write ReplayGain 2.0 tags (album: the files of one
                           input folder; their tracks get both gains).
    -o, --output DIR       the folder the outputs go to; created when missing.
    -r, --recursive        search the given folders' subfolders too, and
                           rebuild their tree under the output folder.
        --flat             put every output straight in the output folder.
        --name PATTERN     name outputs from their tags: {artist}
                           {albumartist} {album} {title} {track} {disc} {year}
                           {genre} {stem}, numbers padded as in {track:02}; '/'
                           makes folders (the input tree is then not rebuilt).
                           A file name that uses a missing tag is the input's
                           name; a folder that does is left out.
    -j, --jobs N           conversions at once (default: the number of cores);
                           a single input to constant-bit-rate MP3 is encoded
                           in N parts at once.
        --on-exists ACTION when an output existed before the run: skip
                           (default), rename ("name (2).mp3") or overwrite. Two
                           inputs that would make one name never replace each
                           other: the later one is renamed.
        --keep-time        give each output its input's modification time.
        --delete-source    move each input whose output was verified to the
                           Trash; never after a failure, a skip or a dry run.
        --shard K/N        convert only part K of N (1 <= K <= N); the N parts
                           are disjoint, make the whole batch together, and
                           are the same on every machine for the same inputs.
    -n, --dry-run          print the plan (input -> output, action) and stop.
        --no-verify        do not check each output by reading it back.
        --quiet            no progress, only the summary and errors.
    -v, --verbose          print each step of each file.
    -h, --help             this page.
        --version          the program's version.

EXIT STATUS
    0 every file converted (or skipped as asked), 1 a file failed, 2 bad usage
    or an output folder that cannot be written, 130 interrupted.

EXAMPLES
    sonavert --convert -t mp3 -b 192 -o ~/Music/mp3 -r ~/Music/wav
    sonavert --convert -t flac -r -o ~/Music/flac \
             --name '{albumartist}/{album}/{track:02} {title}' ~/Rips
    sonavert --convert -t opus --shard 3/8 -r -o /shared/opus /shared/library
    sonavert --convert -t flac --replaygain album -o ~/Music/flac ~/Music/wav/album
    sonavert --convert -t mp3 -q 2 -o ~/Music/mp3 ~/Music/wav
)";
}

}  // namespace sonavert::batch

#include "batch_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "conversion_steps.h"
#include "converter.h"
#include "cue_sheet.h"
#include "name_template.h"
#include "output_tree.h"
#include "util/regular_file.h"

namespace sonavert::batch {
namespace {

constexpr double kTicksPerCueFrame = 1e7 / kCueFramesPerSecond;

struct Found {
    std::string path;
    std::string root;  // the folder it was found in, "" when named on its own
};

std::vector<Found>* g_found = nullptr;
std::string g_root;

bool IsCueSheet(const std::string& path) {
    const std::string name = NameOf(path);
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".cue") == 0;
}

int32_t CollectFile(const char* path, const char*, const char*, int32_t) {
    if (g_found && (IsAudioFileName(path) || IsCueSheet(path))) g_found->push_back({path, g_root});
    return 0;
}

// The paths the arguments name: files as given, the audio files and CUE
// sheets of folders.
std::vector<Found> Gather(const Tonekit& tk, const std::vector<std::string>& inputs,
                          bool recursive) {
    std::vector<Found> found;
    // The search's callback has no context of its own: it collects here
    // while this call lasts.
    struct Collecting {
        explicit Collecting(std::vector<Found>& into) { g_found = &into; }
        ~Collecting() { g_found = nullptr; }
    } collecting(found);
    for (const auto& input : inputs) {
        if (!tonekit::util::IsFolder(input.c_str())) {
            found.push_back({input, ""});
            continue;
        }
        const std::string folder =
            input.size() > 1 && input.back() == '/' ? input.substr(0, input.size() - 1) : input;
        const size_t first = found.size();
        g_root = folder;
        tk.SearchFiles(folder.c_str(), "*.*", CollectFile, recursive ? 0 : 1);
        std::sort(found.begin() + static_cast<long>(first), found.end(),
                  [](const Found& a, const Found& b) { return a.path < b.path; });
    }
    return found;
}

// Why `path` cannot be converted, or "" when it can; its duration when known.
std::string Unusable(const Tonekit& tk, const std::string& path, uint64_t& duration) {
    if (path.size() > kMaxInputPathBytes)
        return "the path is longer than " + std::to_string(kMaxInputPathBytes) + " bytes";
    if (MediaTypeOf(path) == kCdTrack) return "";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    duration = DeclaredDuration(tk, path);
    if (duration != 0) return "";
    const std::string why = tk.MediaError();
    return "cannot be read as audio" + (why.empty() ? "" : " (" + why + ")");
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// The inputs' files by device and inode: no output may replace one, by any
// of its names.
class InputFiles {
  public:
    void Add(const std::string& path) {
        if (const auto id = IdOf(path)) files_.insert(*id);
    }
    // True when `output` names an input other than `input` itself.
    bool OtherInput(const std::string& output, const std::string& input) const {
        const auto id = IdOf(output);
        return id && files_.count(*id) != 0 &&
               !tonekit::util::SameFile(output.c_str(), input.c_str());
    }

  private:
    std::set<FileId> files_;
};

// The tracks of a CUE sheet, tagged from the sheet over the disc image's own
// tags; none when it does not load (`why` says why).
std::vector<PlannedJob> CueJobs(const Found& sheetFile, std::string& why) {
    CueSheet sheet;
    if (!LoadCueSheet(sheetFile.path, sheet, why)) return {};
    std::vector<PlannedJob> jobs;
    std::map<std::string, MediaTags> imageTags;
    for (const auto& track : sheet.tracks) {
        PlannedJob job;
        job.input = track.file;
        job.root = sheetFile.root;
        job.cueSheet = sheetFile.path;
        job.cueTrack = track.number;
        job.segmentStart = track.start;
        job.segmentEnd = track.end;
        if (!imageTags.count(track.file)) imageTags[track.file] = ReadMediaTags(track.file);
        MediaTags tags = imageTags[track.file];
        auto prefer = [](std::string& field, const std::string& value) {
            if (!value.empty()) field = value;
        };
        tags.title = track.title;
        prefer(tags.artist, sheet.performer);
        prefer(tags.artist, track.performer);
        prefer(tags.albumArtist, sheet.performer);
        prefer(tags.album, sheet.title);
        prefer(tags.year, sheet.date);
        prefer(tags.genre, sheet.genre);
        tags.track = std::to_string(track.number);
        job.tags = std::move(tags);
        jobs.push_back(std::move(job));
    }
    return jobs;
}

// The jobs the found files make, before names are given: whole files, and
// CUE sheets' tracks in place of their disc images.
std::vector<PlannedJob> Expand(const std::vector<Found>& found) {
    std::vector<PlannedJob> jobs;
    std::set<FileId> images;  // converted as tracks, not on their own
    for (const auto& file : found) {
        if (!IsCueSheet(file.path)) {
            PlannedJob job;
            job.input = file.path;
            job.root = file.root;
            jobs.push_back(std::move(job));
            continue;
        }
        std::string why;
        std::vector<PlannedJob> tracks = CueJobs(file, why);
        std::set<std::string> files;
        for (const auto& track : tracks) files.insert(track.input);
        const bool named = file.root.empty();
        // A sheet met in a folder counts only beside the one file it splits.
        if (!named && (files.size() != 1 || !tonekit::util::IsRegularFile(files.begin()->c_str())))
            continue;
        if (tracks.empty()) {
            PlannedJob job;
            job.input = file.path;
            job.action = Action::kUnusable;
            job.reason = "the CUE sheet " + why;
            jobs.push_back(std::move(job));
        }
        for (const auto& image : files)
            if (const auto id = IdOf(image)) images.insert(*id);
        for (auto& track : tracks) jobs.push_back(std::move(track));
    }
    std::erase_if(jobs, [&](const PlannedJob& job) {
        const auto id = IdOf(job.input);
        return job.cueTrack == 0 && job.action != Action::kUnusable && id && images.count(*id);
    });
    return jobs;
}

// The output's name below the output folder, without extension.
std::string OutputName(const PlannedJob& job, const std::optional<NameTemplate>& pattern) {
    if (!pattern && job.cueTrack == 0) return TitleOf(job.input);
    static const std::optional<NameTemplate> kTrackName = [] {
        std::string unused;
        return NameTemplate::Parse("{track:02} {title}", unused);
    }();
    const MediaTags tags = job.tags ? *job.tags : ReadMediaTags(job.input);
    const NameFields fields{tags.artist, tags.albumArtist, tags.album, tags.title,
                            tags.track,  tags.disc,        tags.year,  tags.genre};
    char number[8];
    std::snprintf(number, sizeof number, " %02d", job.cueTrack);
    const std::string stem = job.cueTrack ? TitleOf(job.cueSheet) + number : TitleOf(job.input);
    return (pattern ? *pattern : *kTrackName).Expand(fields, stem);
}

// "<base> (N)<ext>", the first N from 2 that no job takes and, unless only
// the batch's own names count, that names nothing.
std::string Numbered(const std::string& base, const std::string& extension,
                     const std::set<std::string>& taken, bool avoidExisting) {
    for (int n = 2;; ++n) {
        const std::string candidate = base + " (" + std::to_string(n) + ")" + extension;
        if (!taken.count(candidate) && !(avoidExisting && Exists(candidate))) return candidate;
    }
}

// Sets the length of a job and of a CUE track's part; false when unusable.
bool Measure(const Tonekit& tk, PlannedJob& job, std::map<std::string, uint64_t>& lengths) {
    if (!lengths.count(job.input)) {
        uint64_t duration = 0;
        const std::string why = Unusable(tk, job.input, duration);
        if (!why.empty()) {
            job.reason = why;
            return false;
        }
        lengths[job.input] = duration;
    }
    job.duration = lengths[job.input];
    if (job.cueTrack == 0) return true;
    const auto start = static_cast<uint64_t>(job.segmentStart * kTicksPerCueFrame);
    const uint64_t end =
        job.segmentEnd ? static_cast<uint64_t>(*job.segmentEnd * kTicksPerCueFrame) : job.duration;
    if (end <= start) {
        job.reason = "track " + std::to_string(job.cueTrack) + " starts after the end of " +
                     NameOf(job.input);
        return false;
    }
    job.duration = std::min(end, job.duration) - std::min(start, job.duration);
    return true;
}

std::string ShardKey(const PlannedJob& job) {
    // A sheet's tracks stay together, so one machine can remove its image.
    return RelativePath(job.cueTrack ? job.cueSheet : job.input, job.root);
}

}  // namespace

std::vector<PlannedJob> BuildPlan(const Tonekit& tk, const std::vector<std::string>& inputs,
                                  const PlanSettings& settings) {
    std::string unused;
    const std::optional<NameTemplate> pattern =
        settings.nameTemplate.empty() ? std::nullopt
                                      : NameTemplate::Parse(settings.nameTemplate, unused);
    std::vector<PlannedJob> jobs = Expand(Gather(tk, inputs, settings.recursive));
    InputFiles inputFiles;
    for (const auto& job : jobs) inputFiles.Add(job.input);
    std::vector<PlannedJob> plan;
    std::set<std::string> seen, taken;
    std::map<std::string, uint64_t> lengths;
    for (auto& job : jobs) {
        if (!seen.insert(job.cueTrack ? Label(job) : job.input).second) continue;
        if (job.action == Action::kUnusable || !Measure(tk, job, lengths)) {
            job.action = Action::kUnusable;
            plan.push_back(std::move(job));
            continue;
        }
        // A pattern that makes folders decides them; else the input's tree is rebuilt.
        const bool tree = !settings.flat && settings.nameTemplate.find('/') == std::string::npos;
        const std::string folder =
            settings.outputFolder +
            (tree ? RelativeFolder(job.cueTrack ? job.cueSheet : job.input, job.root) : "");
        const std::string base = folder + OutputName(job, pattern);
        // Two inputs of the batch never share an output, and no input is an
        // output; an existing file is replaced only when asked.
        job.output = base + settings.extension;
        if (taken.count(job.output)) {
            job.output = Numbered(base, settings.extension, taken, false);
            job.action = Action::kRename;
        }
        const bool isInput = inputFiles.OtherInput(job.output, job.input);
        if (isInput || Exists(job.output)) {
            if (settings.onExists == OnExists::kSkip) {
                job.action = Action::kSkip;
                job.reason =
                    isInput ? "the output would replace another input" : "the output exists";
            } else if (settings.onExists == OnExists::kOverwrite && !isInput) {
                job.action = Action::kOverwrite;
            } else {
                job.action = Action::kRename;
                job.output = Numbered(base, settings.extension, taken, true);
            }
        }
        taken.insert(job.output);
        plan.push_back(std::move(job));
    }
    std::erase_if(plan,
                  [&](const PlannedJob& job) { return !InShard(ShardKey(job), settings.shard); });
    return plan;
}

const char* ActionName(Action action) {
    switch (action) {
        case Action::kConvert:
            return "convert";
        case Action::kOverwrite:
            return "overwrite";
        case Action::kRename:
            return "rename";
        case Action::kSkip:
            return "skip";
        case Action::kUnusable:
            return "cannot convert";
    }
    return "";
}

std::string Label(const PlannedJob& job) {
    return job.cueTrack ? job.cueSheet + "#" + std::to_string(job.cueTrack) : job.input;
}

}  // namespace sonavert::batch

#include "batch_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "conversion_steps.h"
#include "converter.h"
#include "util/regular_file.h"

namespace sonavert::batch {
namespace {

std::vector<std::string>* g_found = nullptr;

int32_t CollectFile(const char* path, const char*, const char*, int32_t) {
    if (g_found && IsAudioFileName(path)) g_found->push_back(path);
    return 0;
}

// The paths the arguments name: files as given, the audio files of folders.
std::vector<std::string> Gather(const Tonekit& tk, const std::vector<std::string>& inputs,
                                bool recursive) {
    std::vector<std::string> found;
    g_found = &found;
    for (const auto& input : inputs) {
        if (!tonekit::util::IsFolder(input.c_str())) {
            found.push_back(input);
            continue;
        }
        const std::string folder =
            input.size() > 1 && input.back() == '/' ? input.substr(0, input.size() - 1) : input;
        const size_t first = found.size();
        tk.SearchFiles(folder.c_str(), "*.*", CollectFile, recursive ? 0 : 1);
        std::sort(found.begin() + static_cast<long>(first), found.end());
    }
    g_found = nullptr;
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
    return duration == 0 ? "cannot be read as audio" : "";
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The inputs' files by device and inode: no output may replace one, by any
// of its names.
class InputFiles {
  public:
    void Add(const std::string& path) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) files_.insert({st.st_dev, st.st_ino});
    }
    // True when `output` names an input other than `input` itself.
    bool OtherInput(const std::string& output, const std::string& input) const {
        struct stat st {};
        return stat(output.c_str(), &st) == 0 && files_.count({st.st_dev, st.st_ino}) != 0 &&
               !tonekit::util::SameFile(output.c_str(), input.c_str());
    }

  private:
    std::set<std::pair<dev_t, ino_t>> files_;
};

// "<folder><title> (N)<ext>", the first N from 2 that names nothing.
std::string FreeName(const std::string& folder, const std::string& title, const char* extension,
                     const std::set<std::string>& taken) {
    for (int n = 2;; ++n) {
        const std::string candidate = folder + title + " (" + std::to_string(n) + ")" + extension;
        if (!taken.count(candidate) && !Exists(candidate)) return candidate;
    }
}

}  // namespace

std::vector<PlannedJob> BuildPlan(const Tonekit& tk, const std::vector<std::string>& inputs,
                                  const PlanSettings& settings) {
    std::vector<PlannedJob> plan;
    std::set<std::string> seen, taken;
    const char* extension =
        settings.extension.empty() ? kMediaExtensions[settings.format] : settings.extension.c_str();
    const std::vector<std::string> paths = Gather(tk, inputs, settings.recursive);
    InputFiles inputFiles;
    for (const auto& path : paths) inputFiles.Add(path);
    for (const auto& path : paths) {
        if (!seen.insert(path).second) continue;
        PlannedJob job;
        job.input = path;
        job.reason = Unusable(tk, path, job.duration);
        if (!job.reason.empty()) {
            job.action = Action::kUnusable;
            plan.push_back(std::move(job));
            continue;
        }
        const std::string title = TitleOf(path);
        job.output = settings.outputFolder + title + extension;
        // Two inputs never share an output, and no input is an output; an
        // existing file is replaced only when asked.
        const bool isInput = inputFiles.OtherInput(job.output, path);
        const bool planned = taken.count(job.output) != 0 || isInput;
        if (planned || Exists(job.output)) {
            if (settings.onExists == OnExists::kSkip) {
                job.action = Action::kSkip;
                job.reason = isInput   ? "the output would replace another input"
                             : planned ? "another input makes this output"
                                       : "the output exists";
            } else if (settings.onExists == OnExists::kOverwrite && !planned) {
                job.action = Action::kOverwrite;
            } else {
                job.action = Action::kRename;
                job.output = FreeName(settings.outputFolder, title, extension, taken);
            }
        }
        if (job.action != Action::kSkip) taken.insert(job.output);
        plan.push_back(std::move(job));
    }
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

}  // namespace sonavert::batch

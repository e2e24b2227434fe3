#include "album_gain.h"

#include <map>

#include "converter.h"
#include "encode_module.h"

namespace sonavert::batch {

void WriteAlbumGains(const std::vector<PlannedJob>& plan, const std::vector<std::string>& loudness,
                     std::vector<JobOutcome>& outcomes, const std::string& format) {
    std::map<std::string, std::vector<size_t>> albums;  // by input folder
    for (size_t i = 0; i < plan.size(); ++i)
        if (outcomes[i].result == JobOutcome::Result::kDone && !loudness[i].empty())
            albums[FolderOf(plan[i].input)].push_back(i);
    std::string why;
    const encode::EncodeModule* module = albums.empty() ? nullptr : encode::LoadEncodeModule(&why);
    for (const auto& [folder, jobs] : albums) {
        encode::Measurements album;
        for (size_t i : jobs) album.push_back(loudness[i]);
        for (size_t i : jobs) {
            const std::string problem =
                module ? module->writeGain(plan[i].output, format, loudness[i], album)
                       : "the loudness cannot be measured (" + why + ")";
            if (!problem.empty())
                outcomes[i] = {JobOutcome::Result::kFailed, "album gain: " + problem};
        }
    }
}

}  // namespace sonavert::batch

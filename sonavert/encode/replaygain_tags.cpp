#include "replaygain_tags.h"

#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace sonavert::encode {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

std::string Format(const char* pattern, double value) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// REPLAYGAIN_TRACK_GAIN "-3.21 dB", REPLAYGAIN_TRACK_PEAK "0.912345", and the
// album's when given.
Fields ReplayGainFields(const Gain& track, const std::optional<Gain>& album) {
    Fields fields{{"REPLAYGAIN_TRACK_GAIN", Format("%.2f dB", track.db)},
                  {"REPLAYGAIN_TRACK_PEAK", Format("%.6f", track.peak)}};
    if (album) {
        fields.emplace_back("REPLAYGAIN_ALBUM_GAIN", Format("%.2f dB", album->db));
        fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", Format("%.6f", album->peak));
    }
    return fields;
}

// Opus: gains in 1/256 dB that bring the loudness to -23 LUFS.
Fields R128Fields(const Gain& track, const std::optional<Gain>& album) {
    auto q78 = [](double lufs) {
        const double steps = std::round((-23.0 - lufs) * 256.0);
        return std::to_string(static_cast<int>(std::clamp(steps, -32768.0, 32767.0)));
    };
    Fields fields{{"R128_TRACK_GAIN", q78(track.lufs)}};
    if (album) fields.emplace_back("R128_ALBUM_GAIN", q78(album->lufs));
    return fields;
}

void SetXiph(TagLib::Ogg::XiphComment* comment, const Fields& fields) {
    for (const auto& [key, value] : fields)
        comment->addField(key, TagLib::String(value, TagLib::String::UTF8), true);
}

void SetId3(TagLib::ID3v2::Tag* tag, const Fields& fields) {
    for (const auto& [key, value] : fields) {
        const TagLib::String description(key);
        std::string lower = key;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // Players look for the description in either case: keep one frame.
        for (const TagLib::String& other : {description, TagLib::String(lower)})
            if (auto* old = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, other))
                tag->removeFrame(old);
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
        frame->setDescription(description);
        frame->setText(TagLib::String(value, TagLib::String::UTF8));
        tag->addFrame(frame);
    }
}

bool WriteMp3(const std::string& path, const Fields& fields) {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) return false;
    SetId3(file.ID3v2Tag(true), fields);
    const int tags = file.hasID3v1Tag() ? TagLib::MPEG::File::AllTags : TagLib::MPEG::File::ID3v2;
    return file.save(tags, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool WriteWav(const std::string& path, const Fields& fields) {
    TagLib::RIFF::WAV::File file(path.c_str(), false);
    if (!file.isValid()) return false;
    SetId3(file.ID3v2Tag(), fields);
    return file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone);
}

bool WriteM4a(const std::string& path, const Fields& fields) {
    TagLib::MP4::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) return false;
    for (auto [key, value] : fields) {
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        file.tag()->setItem("----:com.apple.iTunes:" + key,
                            TagLib::MP4::Item(TagLib::StringList(TagLib::String(value))));
    }
    return file.save();
}

bool WriteWma(const std::string& path, const Fields& fields) {
    TagLib::ASF::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) return false;
    for (const auto& [key, value] : fields)
        file.tag()->setAttribute(key, TagLib::ASF::Attribute(TagLib::String(value)));
    return file.save();
}

template <typename File>
bool WriteXiph(const std::string& path, const Fields& fields) {
    File file(path.c_str(), false);
    if (!file.isValid()) return false;
    if constexpr (std::is_same_v<File, TagLib::FLAC::File>)
        SetXiph(file.xiphComment(true), fields);
    else
        SetXiph(file.tag(), fields);
    return file.save();
}

}  // namespace

std::optional<Gain> GainOf(const Loudness& loudness) {
    double lufs = 0;
    if (!loudness.Integrated(lufs)) return std::nullopt;
    return Gain{ReplayGainDb(lufs), loudness.Peak(), lufs};
}

bool WriteReplayGain(const std::string& path, const std::string& format, const Gain& track,
                     const std::optional<Gain>& album) {
    const Fields fields = ReplayGainFields(track, album);
    if (format == "mp3") return WriteMp3(path, fields);
    if (format == "wav") return WriteWav(path, fields);
    if (format == "m4a") return WriteM4a(path, fields);
    if (format == "wma") return WriteWma(path, fields);
    if (format == "flac") return WriteXiph<TagLib::FLAC::File>(path, fields);
    if (format == "ogg") return WriteXiph<TagLib::Ogg::Vorbis::File>(path, fields);
    if (format == "opus") return WriteXiph<TagLib::Ogg::Opus::File>(path, R128Fields(track, album));
    return false;
}

}  // namespace sonavert::encode

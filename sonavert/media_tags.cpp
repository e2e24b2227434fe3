#include "media_tags.h"

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include "conversion_steps.h"
#include "converter.h"

namespace sonavert {
namespace {

using TagLib::String;

struct Field {
    const char* key;
    std::string MediaTags::*value;
};
constexpr Field kFields[] = {
    {"TITLE", &MediaTags::title},       {"ARTIST", &MediaTags::artist},
    {"ALBUM", &MediaTags::album},       {"ALBUMARTIST", &MediaTags::albumArtist},
    {"TRACKNUMBER", &MediaTags::track}, {"DISCNUMBER", &MediaTags::disc},
    {"DATE", &MediaTags::year},         {"GENRE", &MediaTags::genre},
    {"COMMENT", &MediaTags::comment},
};

void TakeCover(MediaTags& tags, const TagLib::ByteVector& data, const String& mime) {
    if (data.isEmpty() || !tags.cover.empty()) return;
    tags.cover.assign(data.data(), data.data() + data.size());
    tags.coverMime = mime.to8Bit(true);
}

void ReadId3v2Cover(MediaTags& tags, TagLib::ID3v2::Tag* id3) {
    if (!id3) return;
    const auto frames = id3->frameListMap()["APIC"];
    // The front cover first; any other picture when there is none.
    for (bool frontOnly : {true, false})
        for (auto* frame : frames) {
            auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
            if (!picture) continue;
            if (frontOnly && picture->type() != TagLib::ID3v2::AttachedPictureFrame::FrontCover)
                continue;
            TakeCover(tags, picture->picture(), picture->mimeType());
        }
}

void ReadCover(MediaTags& tags, TagLib::File* file) {
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
        ReadId3v2Cover(tags, mpeg->ID3v2Tag());
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        ReadId3v2Cover(tags, wav->ID3v2Tag());
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
        for (const auto& attribute : asf->tag()->attribute("WM/Picture")) {
            const TagLib::ASF::Picture picture = attribute.toPicture();
            if (picture.isValid()) TakeCover(tags, picture.picture(), picture.mimeType());
        }
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        for (auto* picture : flac->pictureList())
            TakeCover(tags, picture->data(), picture->mimeType());
    }
}

TagLib::PropertyMap TextProperties(const MediaTags& tags) {
    TagLib::PropertyMap map;
    for (const auto& field : kFields)
        if (!(tags.*field.value).empty())
            map.replace(field.key, TagLib::StringList(String(tags.*field.value, String::UTF8)));
    return map;
}

TagLib::ByteVector CoverBytes(const MediaTags& tags) {
    return TagLib::ByteVector(tags.cover.data(), static_cast<unsigned>(tags.cover.size()));
}

bool WriteMp3(const std::string& output, const MediaTags& tags) {
    TagLib::MPEG::File file(output.c_str(), false);
    if (!file.isValid()) return false;
    TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(true);
    id3->setProperties(TextProperties(tags));
    if (!tags.cover.empty()) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setMimeType(tags.coverMime);
        picture->setPicture(CoverBytes(tags));
        id3->addFrame(picture);
    }
    file.ID3v1Tag(true);
    return file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2,
                     TagLib::File::StripOthers, TagLib::ID3v2::v4, TagLib::File::Duplicate);
}

bool WriteWma(const std::string& output, const MediaTags& tags) {
    TagLib::ASF::File file(output.c_str(), false);
    if (!file.isValid()) return false;
    file.setProperties(TextProperties(tags));
    if (!tags.cover.empty()) {
        TagLib::ASF::Picture picture;
        picture.setType(TagLib::ASF::Picture::FrontCover);
        picture.setMimeType(tags.coverMime);
        picture.setPicture(CoverBytes(tags));
        file.tag()->setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
    }
    return file.save();
}

bool WriteWav(const std::string& output, const MediaTags& tags) {
    TagLib::RIFF::WAV::File file(output.c_str(), false);
    if (!file.isValid()) return false;
    file.InfoTag()->setProperties(TextProperties(tags));
    return file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripOthers);
}

TagLib::FLAC::Picture* FlacCover(const MediaTags& tags) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(tags.coverMime);
    picture->setData(CoverBytes(tags));
    return picture;
}

// FLAC, Ogg Vorbis and Opus: Vorbis comments, the cover as a picture block.
template <typename File>
bool WriteXiph(const std::string& output, const MediaTags& tags) {
    File file(output.c_str(), false);
    if (!file.isValid()) return false;
    file.setProperties(TextProperties(tags));
    if (!tags.cover.empty()) {
        if constexpr (std::is_same_v<File, TagLib::FLAC::File>)
            file.addPicture(FlacCover(tags));
        else
            file.tag()->addPicture(FlacCover(tags));
    }
    return file.save();
}

bool WriteM4a(const std::string& output, const MediaTags& tags) {
    TagLib::MP4::File file(output.c_str(), false);
    if (!file.isValid() || !file.tag()) return false;
    file.setProperties(TextProperties(tags));
    if (!tags.cover.empty()) {
        const auto kind = tags.coverMime == "image/png" ? TagLib::MP4::CoverArt::PNG
                                                        : TagLib::MP4::CoverArt::JPEG;
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(kind, CoverBytes(tags)));
        file.tag()->setItem("covr", covers);
    }
    return file.save();
}

}  // namespace

bool MediaTags::Empty() const {
    for (const auto& field : kFields)
        if (!(this->*field.value).empty()) return false;
    return cover.empty();
}

MediaTags ReadMediaTags(const std::string& input) {
    MediaTags tags;
    if (MediaTypeOf(input) == kCdTrack) {
        const std::string name = TitleOf(input);  // "Track03"
        const bool numbered = name.size() == 7 && name.rfind("Track", 0) == 0;
        tags.title = numbered ? "Track " + name.substr(5) : name;
        return tags;
    }
    TagLib::FileRef ref(input.c_str(), false);
    if (ref.isNull()) return tags;
    const TagLib::PropertyMap map = ref.file()->properties();
    for (const auto& field : kFields) {
        const auto it = map.find(field.key);
        if (it != map.end() && !it->second.isEmpty())
            tags.*field.value = it->second.front().to8Bit(true);
    }
    ReadCover(tags, ref.file());
    return tags;
}

bool WriteMediaTags(const std::string& output, int format, const MediaTags& tags) {
    if (tags.Empty()) return true;
    if (format == kMp3) return WriteMp3(output, tags);
    if (format == kWma) return WriteWma(output, tags);
    return WriteWav(output, tags);
}

bool WriteMediaTags(const std::string& output, const std::string& format, const MediaTags& tags) {
    if (tags.Empty()) return true;
    if (format == "flac") return WriteXiph<TagLib::FLAC::File>(output, tags);
    if (format == "ogg") return WriteXiph<TagLib::Ogg::Vorbis::File>(output, tags);
    if (format == "opus") return WriteXiph<TagLib::Ogg::Opus::File>(output, tags);
    if (format == "m4a") return WriteM4a(output, tags);
    const int described = format == "wma" ? kWma : format == "wav" ? kWav : kMp3;
    return WriteMediaTags(output, described, tags);
}

}  // namespace sonavert

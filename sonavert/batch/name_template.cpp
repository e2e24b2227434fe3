#include "name_template.h"

#include <array>
#include <cctype>
#include <charconv>

namespace sonavert::batch {
namespace {

enum Field { kArtist, kAlbumArtist, kAlbum, kTitle, kTrack, kDisc, kYear, kGenre, kStem };
constexpr std::array<const char*, 9> kFieldNames = {
    "artist", "albumartist", "album", "title", "track", "disc", "year", "genre", "stem"};
constexpr size_t kMaxPartBytes = 200;  // leaves room for " (NN).ext" within 255

std::string Trimmed(const std::string& text, const char* blanks = " \t") {
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// "3/12" and "03" are track 3; "1999-05-01" is the year 1999.
std::string Normalised(int field, const std::string& raw) {
    std::string value = Trimmed(raw);
    if (field == kTrack || field == kDisc) {
        value = Trimmed(value.substr(0, value.find('/')));
        unsigned number = 0;
        const char* end = value.data() + value.size();
        if (!value.empty() && std::from_chars(value.data(), end, number).ptr == end)
            value = number == 0 ? "" : std::to_string(number);
    } else if (field == kYear && value.size() > 4 && std::isdigit(value[0]) &&
               std::isdigit(value[3]) && !std::isdigit(value[4])) {
        value = value.substr(0, 4);
    }
    return value;
}

std::string Padded(std::string value, int width) {
    const bool number =
        !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
    if (number && static_cast<int>(value.size()) < width)
        value.insert(0, static_cast<size_t>(width) - value.size(), '0');
    return value;
}

std::string ValueOf(int field, const NameFields& f, const std::string& stem) {
    switch (field) {
        case kArtist:
            return f.artist;
        case kAlbumArtist:
            return Trimmed(f.albumArtist).empty() ? f.artist : f.albumArtist;
        case kAlbum:
            return f.album;
        case kTitle:
            return f.title;
        case kTrack:
            return f.track;
        case kDisc:
            return f.disc;
        case kYear:
            return f.year;
        case kGenre:
            return f.genre;
        default:
            return stem;
    }
}

// "{track:02}" -> the field and its width; false for anything else.
bool ParseField(const std::string& inside, int& field, int& width) {
    const size_t colon = inside.find(':');
    const std::string name = inside.substr(0, colon);
    field = -1;
    for (size_t i = 0; i < kFieldNames.size(); ++i)
        if (name == kFieldNames[i]) field = static_cast<int>(i);
    width = 0;
    if (colon != std::string::npos) {
        const std::string digits = inside.substr(colon + 1);
        const char* end = digits.data() + digits.size();
        if (digits.empty() || std::from_chars(digits.data(), end, width).ptr != end || width < 1 ||
            width > 9)
            return false;
    }
    return field >= 0;
}

}  // namespace

std::optional<NameTemplate> NameTemplate::Parse(const std::string& pattern, std::string& error) {
    NameTemplate parsed;
    parsed.parts_.emplace_back();
    for (size_t i = 0; i < pattern.size(); ++i) {
        auto& part = parsed.parts_.back();
        const char c = pattern[i];
        if (c == '/') {
            parsed.parts_.emplace_back();
        } else if (c == '{') {
            const size_t close = pattern.find('}', i);
            Piece piece;
            if (close == std::string::npos ||
                !ParseField(pattern.substr(i + 1, close - i - 1), piece.field, piece.width)) {
                error = "--name: '" +
                        pattern.substr(i, close == std::string::npos ? close : close - i + 1) +
                        "' is not one of {artist} {albumartist} {album} {title} {track} {disc} "
                        "{year} {genre} {stem}, with an optional width such as {track:02}";
                return std::nullopt;
            }
            part.push_back(piece);
            i = close;
        } else if (c == '}') {
            error = "--name: a '}' without its '{'";
            return std::nullopt;
        } else {
            if (part.empty() || part.back().field >= 0) part.emplace_back();
            part.back().literal += c;
        }
    }
    if (parsed.parts_.back().empty()) {
        error = "--name: the pattern must end with a file name";
        return std::nullopt;
    }
    return parsed;
}

std::string NameTemplate::Expand(const NameFields& fields, const std::string& stem) const {
    std::string path;
    for (size_t p = 0; p < parts_.size(); ++p) {
        const bool fileName = p + 1 == parts_.size();
        std::string text;
        bool missing = false;
        for (const Piece& piece : parts_[p]) {
            if (piece.field < 0) {
                text += piece.literal;
                continue;
            }
            const std::string value = Normalised(piece.field, ValueOf(piece.field, fields, stem));
            missing = missing || value.empty();
            text += Padded(value, piece.width);
        }
        if (missing && fileName) text = stem;
        text = SafeNamePart(text);
        if (fileName && text.empty()) text = SafeNamePart(stem);
        if (fileName && text.empty()) text.assign(1, '_');
        if (!fileName && (missing || text.empty())) continue;
        path += fileName ? text : text + "/";
    }
    return path;
}

std::string SafeNamePart(const std::string& text) {
    std::string safe;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool refused = byte < 0x20 || byte == 0x7f ||
                             std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        safe += refused ? '_' : c;
    }
    if (safe.size() > kMaxPartBytes) {
        size_t cut = kMaxPartBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80) --cut;
        safe.resize(cut);
    }
    safe = Trimmed(safe);
    while (!safe.empty() && safe.back() == '.') safe.pop_back();
    safe = Trimmed(safe);
    if (!safe.empty() && safe.front() == '.') safe.front() = '_';
    return safe;
}

}  // namespace sonavert::batch

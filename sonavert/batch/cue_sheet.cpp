#include "cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sonavert::batch {
namespace {

constexpr size_t kMaxSheetBytes = 1 << 20;
constexpr int kSecondsPerMinute = 60;

bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int length = byte < 0x80         ? 1
                           : (byte >> 5) == 6  ? 2
                           : (byte >> 4) == 14 ? 3
                           : (byte >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Windows-1252, which is Latin-1 but for 0x80..0x9F.
std::string FromWindows1252(const std::string& text) {
    static const uint16_t kHigh[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte);
    }
    return out;
}

// The line's words; a quoted value is one word without its quotes.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    for (size_t i = 0; i < line.size();) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        } else if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            words.push_back(line.substr(i + 1, close == std::string::npos ? close : close - i - 1));
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            size_t end = i;
            while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
            words.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

// The text after the keyword: a quoted value, or the rest of the line.
std::string Value(const std::string& line, const std::string& keyword) {
    const size_t at = line.find_first_not_of(" \t", line.find_first_not_of(" \t") + keyword.size());
    if (at == std::string::npos) return "";
    if (line[at] == '"') return line.substr(at + 1, line.find('"', at + 1) - at - 1);
    return line.substr(at, line.find_last_not_of(" \t") - at + 1);
}

// "mm:ss:ff" in CD frames.
bool ParseTime(const std::string& text, uint32_t& frames) {
    unsigned minutes = 0, seconds = 0, fraction = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%4u:%2u:%2u%c", &minutes, &seconds, &fraction, &extra) != 3 ||
        seconds >= kSecondsPerMinute || fraction >= kCueFramesPerSecond)
        return false;
    frames = (minutes * kSecondsPerMinute + seconds) * kCueFramesPerSecond + fraction;
    return true;
}

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct Reader {
    Reader(CueSheet& s, std::string& e) : sheet(s), error(e) {}
    CueSheet& sheet;
    std::string& error;
    int lineNumber = 0;
    bool inTrack = false, audioTrack = false, hasIndex = false;
    CueTrack track;
    int previousNumber = 0;  // the last track read, audio or not
    std::string previousFile;
    uint32_t previousStart = 0;

    bool Fail(const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    }

    // Ends the track being read; its predecessor in the same file ends where it starts.
    bool FinishTrack() {
        if (!inTrack) return true;
        inTrack = false;
        if (!hasIndex) return Fail("track " + std::to_string(track.number) + " has no INDEX 01");
        if (previousNumber > 0 && previousFile == track.file) {
            if (track.start <= previousStart)
                return Fail("track " + std::to_string(track.number) + " starts before track " +
                            std::to_string(previousNumber) + " ends");
            CueTrack* before = sheet.tracks.empty() ? nullptr : &sheet.tracks.back();
            if (before && before->file == track.file && !before->end) before->end = track.start;
        }
        const bool firstInFile = previousNumber == 0 || previousFile != track.file;
        previousNumber = track.number;
        previousFile = track.file;
        previousStart = track.start;
        if (firstInFile) track.start = 0;
        if (audioTrack) sheet.tracks.push_back(track);
        return true;
    }

    bool Line(const std::string& line) {
        const std::vector<std::string> words = Words(line);
        if (words.empty()) return true;
        const std::string keyword = Upper(words[0]);
        if (keyword == "FILE") {
            if (!FinishTrack()) return false;
            if (words.size() < 2 || words[1].empty()) return Fail("FILE without a name");
            sheet.files.push_back(words[1]);
        } else if (keyword == "TRACK") {
            if (!FinishTrack()) return false;
            if (sheet.files.empty()) return Fail("TRACK before any FILE");
            if (words.size() < 3) return Fail("TRACK needs a number and a type");
            track = CueTrack{};
            track.number = std::atoi(words[1].c_str());
            if (track.number < 1 || track.number > 99)
                return Fail("TRACK numbers run from 1 to 99");
            track.file = sheet.files.back();
            audioTrack = Upper(words[2]) == "AUDIO";
            inTrack = true;
            hasIndex = false;
        } else if (keyword == "INDEX") {
            uint32_t frames = 0;
            if (!inTrack) return Fail("INDEX outside a track");
            if (words.size() < 3 || !ParseTime(words[2], frames))
                return Fail("INDEX needs a number and a time mm:ss:ff");
            if (std::atoi(words[1].c_str()) == 1) {
                track.start = frames;
                hasIndex = true;
            }
        } else if (keyword == "TITLE" || keyword == "PERFORMER") {
            std::string& field = keyword == "TITLE" ? (inTrack ? track.title : sheet.title)
                                                    : (inTrack ? track.performer : sheet.performer);
            field = Value(line, words[0]);
        } else if (keyword == "REM" && words.size() >= 3 && !inTrack) {
            const std::string what = Upper(words[1]);
            if (what == "DATE") sheet.date = Value(line.substr(line.find(words[1])), words[1]);
            if (what == "GENRE") sheet.genre = Value(line.substr(line.find(words[1])), words[1]);
        }
        return true;
    }
};

}  // namespace

bool ParseCueSheet(const std::string& raw, CueSheet& sheet, std::string& error) {
    std::string text = raw.rfind("\xEF\xBB\xBF", 0) == 0 ? raw.substr(3) : raw;
    if (!IsUtf8(text)) text = FromWindows1252(text);
    sheet = CueSheet{};
    Reader reader(sheet, error);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        ++reader.lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!reader.Line(line)) return false;
    }
    ++reader.lineNumber;
    if (!reader.FinishTrack()) return false;
    if (sheet.tracks.empty()) {
        error = "no audio tracks";
        return false;
    }
    return true;
}

namespace {

bool IsAudioExtension(std::string extension) {
    extension = Upper(extension);
    for (const char* known : {".FLAC", ".WAV", ".APE", ".WV", ".MP3", ".OGG", ".OPUS", ".M4A",
                              ".WMA", ".AIFF", ".AIF", ".TTA"})
        if (extension == known) return true;
    return false;
}

// The audio file `named` stands for in `folder`: that name if it exists, else
// the one file of the same stem with an audio extension.
std::string FindBeside(const std::filesystem::path& folder, const std::string& named) {
    namespace fs = std::filesystem;
    // Only the name counts: a sheet never points outside its own folder.
    const std::string name = named.substr(named.find_last_of("/\\") + 1);
    const fs::path exact = folder / name;
    std::error_code failure;
    if (fs::is_regular_file(exact, failure)) return exact.string();
    const std::string stem = fs::path(name).stem().string();
    std::string found;
    int matches = 0;
    for (const auto& entry : fs::directory_iterator(folder, failure)) {
        const fs::path candidate = entry.path();
        if (candidate.stem().string() == stem && IsAudioExtension(candidate.extension().string()) &&
            entry.is_regular_file(failure)) {
            found = candidate.string();
            ++matches;
        }
    }
    return matches == 1 ? found : exact.string();
}

}  // namespace

bool LoadCueSheet(const std::string& path, CueSheet& sheet, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxSheetBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in.is_open() || in.bad()) {
        error = "cannot be read";
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxSheetBytes) {
        error = "is larger than 1 MiB, not a CUE sheet";
        return false;
    }
    if (!ParseCueSheet(text, sheet, error)) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (auto& file : sheet.files) {
        const std::string found = FindBeside(folder.empty() ? "." : folder, file);
        for (auto& track : sheet.tracks)
            if (track.file == file) track.file = found;
        file = found;
    }
    return true;
}

}  // namespace sonavert::batch

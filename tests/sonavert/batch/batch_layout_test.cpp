// The batch's layout rules on their own: output names from tags, the output
// tree, shards, CUE sheets and the Trash.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "cue_sheet.h"
#include "name_template.h"
#include "output_tree.h"
#include "shard.h"
#include "test_support.h"
#include "trash.h"

namespace {

using namespace sonavert::batch;
using testing_support::TempDir;
namespace fs = std::filesystem;

std::string Expand(const std::string& pattern, const NameFields& fields) {
    std::string error;
    const auto parsed = NameTemplate::Parse(pattern, error);
    EXPECT_TRUE(parsed) << error;
    return parsed ? parsed->Expand(fields, "my song") : "";
}

TEST(NameTemplate, FillsFoldersAndNamesFromTagsAndFallsBackToTheStem) {
    const NameFields full{"AC/DC", "",    "Live: 1991", "What?  <Encore>",
                          "3/12",  "1/2", "1991-05-01", "Rock"};
    const NameFields bare{};
    NameFields titleOnly;
    titleOnly.title = "Solo";
    NameFields hostile = full;
    hostile.album = "..";
    hostile.title = "../../x";
    const std::tuple<const char*, NameFields, const char*> cases[] = {
        {"{albumartist}/{album}/{track:02} {title}", full, "AC_DC/Live_ 1991/03 What_  _Encore_"},
        {"{year} {disc}-{track:03} {genre}", full, "1991 1-003 Rock"},
        {"{albumartist}/{album}/{track:02} {title}", bare, "my song"},
        {"{genre}/{artist} - {title}", titleOnly, "my song"},
        {"/{album}//{title}", hostile, "_._.._x"},
        {"{stem}.{track}", full, "my song.3"},
    };
    for (const auto& [pattern, fields, expected] : cases)
        EXPECT_EQ(Expand(pattern, fields), expected) << pattern;

    for (const char* bad : {"{bogus}", "{track:x}", "{title", "a}", "{album}/", "{track:0}"}) {
        std::string error;
        EXPECT_FALSE(NameTemplate::Parse(bad, error)) << bad;
        EXPECT_EQ(error.rfind("--name: ", 0), 0u) << bad;
    }
    std::string accents;
    for (int i = 0; i < 150; ++i) accents += "\xC3\xA9";
    EXPECT_EQ(SafeNamePart(accents), accents.substr(0, 200)) << "cut between characters";
}

TEST(OutputTree, MirrorsTheInputFolderAndCreatesFoldersAsNeeded) {
    EXPECT_EQ(RelativeFolder("lib/A/B/x.wav", "lib/"), "A/B/");
    EXPECT_EQ(RelativeFolder("/m/lib/x.wav", "/m/lib"), "");
    EXPECT_EQ(RelativeFolder("/m/lib/x.wav", ""), "");
    EXPECT_EQ(RelativePath("/mnt/a/lib/A/x.wav", "/mnt/a/lib"), "A/x.wav");
    EXPECT_EQ(RelativePath("/home/u/x.wav", ""), "x.wav");

    TempDir dir;
    std::string error;
    EXPECT_TRUE(MakeFolders(dir / "out/A/B", error)) << error;
    EXPECT_TRUE(fs::is_directory(dir / "out/A/B"));
    EXPECT_TRUE(MakeFolders(dir / "out/A", error)) << "an existing folder is fine";
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(MakeFolders(dir / "file/A", error));
    EXPECT_NE(error.find(dir / "file/A"), std::string::npos) << error;
}

TEST(Shard, SplitsAnyPlanIntoDisjointEvenPartsTheSameEverywhere) {
    Shard shard;
    std::string error;
    EXPECT_TRUE(ParseShard("3/3", shard, error)) << "the last part";
    EXPECT_TRUE(ParseShard("2/3", shard, error));
    EXPECT_EQ(shard.index, 2);
    EXPECT_EQ(shard.count, 3);
    for (const char* bad : {"0/3", "4/3", "3", "a/b", "1/0", "1/3x", "-1/3"})
        EXPECT_FALSE(ParseShard(bad, shard, error)) << bad;

    constexpr int kParts = 4, kKeys = 1000;
    int sizes[kParts] = {};
    for (int k = 0; k < kKeys; ++k) {
        const std::string key =
            "Artist " + std::to_string(k % 37) + "/" + std::to_string(k) + ".flac";
        int owners = 0;
        for (int part = 1; part <= kParts; ++part)
            if (InShard(key, Shard{part, kParts})) ++owners, ++sizes[part - 1];
        ASSERT_EQ(owners, 1) << key;
    }
    for (int size : sizes) EXPECT_NEAR(size, kKeys / kParts, kKeys / kParts / 5);
    // Fixed arithmetic: these assignments must never change between builds.
    std::string owners;
    for (const char* key : {"a.wav", "b.wav", "c.wav", "A/d.mp3", "A/e.mp3", "x.cue#7"})
        for (int part = 1; part <= 3; ++part)
            if (InShard(key, Shard{part, 3})) owners += std::to_string(part);
    EXPECT_EQ(owners, "113331");
}

TEST(CueSheet, ReadsTracksTimesAndLatin1Text) {
    const std::string sheet =
        "REM GENRE \"Chanson\"\r\nREM DATE 1972\r\nPERFORMER \"Ren\xE9\"\r\nTITLE Caf\xE9 Live\r\n"
        "FILE \"../../elsewhere/disc.wav\" WAVE\r\n"
        "  TRACK 01 AUDIO\r\n    TITLE \"Intro\"\r\n    INDEX 01 00:00:32\r\n"
        "  TRACK 02 AUDIO\r\n    TITLE \"Deux\"\r\n    PERFORMER \"Guest\"\r\n"
        "    INDEX 00 01:00:00\r\n    INDEX 01 01:02:74\r\n"
        "  TRACK 03 MODE1/2352\r\n    INDEX 01 02:00:00\r\n";
    CueSheet cue;
    std::string error;
    ASSERT_TRUE(ParseCueSheet(sheet, cue, error)) << error;
    EXPECT_EQ(cue.performer, "Ren\xC3\xA9");
    EXPECT_EQ(cue.title, "Caf\xC3\xA9 Live");
    EXPECT_EQ(cue.genre, "Chanson");
    EXPECT_EQ(cue.date, "1972");
    ASSERT_EQ(cue.tracks.size(), 2u) << "the data track is not audio";
    EXPECT_EQ(cue.tracks[0].title, "Intro");
    EXPECT_EQ(cue.tracks[0].start, 0u) << "the audio before the first INDEX 01 is kept";
    EXPECT_EQ(cue.tracks[0].end, 62u * 75 + 74);
    EXPECT_EQ(cue.tracks[1].performer, "Guest");
    EXPECT_EQ(cue.tracks[1].end, 120u * 75) << "ends where the data track starts";
    EXPECT_EQ(CueFrameToSample(*cue.tracks[0].end, 44100), (62u * 75 + 74) * 588u);

    const std::pair<const char*, const char*> bad[] = {
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n", "line 4: track 1 has no INDEX 01"},
        {"TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n", "line 3: INDEX needs"},
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n", "line 3: INDEX needs"},
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 01:00:00\nTRACK 02 AUDIO\nINDEX 01 00:59:00\n",
         "line 6: track 2 starts before track 1 ends"},
        {"REM nothing\n", "no audio tracks"},
    };
    for (const auto& [text, reason] : bad) {
        EXPECT_FALSE(ParseCueSheet(text, cue, error)) << text;
        EXPECT_EQ(error.rfind(reason, 0), 0u) << error;
    }

    // A FILE names a file beside the sheet; a compressed rip stands in for its WAV.
    TempDir dir;
    std::ofstream(dir / "disc.flac") << "audio";
    std::ofstream(dir / "disc.cue") << sheet;
    ASSERT_TRUE(LoadCueSheet(dir / "disc.cue", cue, error)) << error;
    EXPECT_EQ(cue.tracks[1].file, dir / "disc.flac");
}

TEST(Trash, MovesFilesUnderFreeNamesWithTheirOrigin) {
    TempDir dir;
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    fs::create_directories(dir / "x y");
    for (const char* file : {"x y/a b.wav", "a b.wav"}) std::ofstream(dir / file) << file;
    std::string error;
    ASSERT_TRUE(MoveToTrash(dir / "x y/a b.wav", error)) << error;
    ASSERT_TRUE(MoveToTrash(dir / "a b.wav", error)) << error;
    EXPECT_FALSE(fs::exists(dir / "a b.wav"));
    const std::string trash = dir / "data/Trash/";
    EXPECT_EQ(testing_support::ReadFile(trash + "files/a b.2.wav").size(), 7u);
    std::ifstream info(trash + "info/a b.2.wav.trashinfo");
    const std::string text((std::istreambuf_iterator<char>(info)), {});
    const std::string head = "[Trash Info]\nPath=" + dir.path() + "/a%20b.wav\nDeletionDate=";
    ASSERT_EQ(text.rfind(head, 0), 0u) << text;
    EXPECT_EQ(text.substr(head.size() + 4, 1) + text.substr(head.size() + 10, 1), "-T") << text;
    EXPECT_EQ(text.size(), head.size() + 20) << text;
    struct stat st {};
    ASSERT_EQ(stat((trash + "files").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EXPECT_FALSE(MoveToTrash(dir / "gone.wav", error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    // A file on another file system is not copied: it stays and is reported.
    struct stat shm {
    }, here{};
    if (stat("/dev/shm", &shm) == 0 && stat(dir.path().c_str(), &here) == 0 &&
        shm.st_dev != here.st_dev) {
        const std::string file = "/dev/shm/sonavert-trash-test.wav";
        std::ofstream(file) << "x";
        EXPECT_FALSE(MoveToTrash(file, error));
        EXPECT_NE(error.find("another file system"), std::string::npos) << error;
        EXPECT_TRUE(fs::exists(file));
        fs::remove(file);
    }
    unsetenv("XDG_DATA_HOME");
}

}  // namespace

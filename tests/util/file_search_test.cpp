// Recursive file search over real folder trees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

struct Seen {
    std::string folder, name;
    int matches;
};

std::map<std::string, Seen> g_seen;  // by path
std::string g_stopIn;                // the listing of this folder stops at its first file

int32_t Record(const char* path, const char* folder, const char* name, int32_t matches) {
    g_seen[path] = {folder, name, matches};
    return g_stopIn == "*" || g_stopIn == folder;
}

class FileSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mkdir(music.c_str(), 0755);
        mkdir((music + "/sub").c_str(), 0755);
        for (const char* f : {"a.WAV", "b.mp3", "c.txt", "sub/d.wma", "mp3", "a.mp3x", "ab"})
            WriteFile(music + "/" + f, Bytes{1});
    }
    std::map<std::string, Seen> Search(const std::string& folder, const char* types,
                                       int noRecurse = 0, int32_t expected = 1) {
        g_seen.clear();
        EXPECT_EQ(SearchFiles(folder.c_str(), types, Record, noRecurse), expected);
        return g_seen;
    }
    int Matches(const std::string& rel) { return g_seen.at(music + rel).matches; }
    TempDir dir;
    const std::string music = dir / "Music";
};

TEST_F(FileSearchTest, ReportsEveryFileWithItsTypeMatch) {
    ASSERT_EQ(Search(music + "/", "WAV,MP3,WMA,").size(), 7u);  // no doubled slash either
    for (const auto& [rel, matches] : std::map<std::string, int>{
             {"/a.WAV", 1}, {"/b.mp3", 1}, {"/c.txt", 0}, {"/mp3", 1}, {"/a.mp3x", 0}, {"/ab", 0}})
        EXPECT_EQ(Matches(rel), matches) << rel;
    const Seen sub = g_seen.at(music + "/sub/d.wma");
    EXPECT_EQ(sub.matches, 1);
    EXPECT_EQ(sub.folder, music + "/sub/");
    EXPECT_EQ(sub.name, "d.wma");

    for (const auto& [path, s] : Search(music, "*.*")) EXPECT_EQ(s.matches, 1) << path;
    for (const auto& [path, s] : Search(music, "")) EXPECT_EQ(s.matches, 0) << path;
    EXPECT_EQ(Search(music, "*.*", 1).size(), 6u);
    Search(dir / "nope", "*.*", 0, -1);
}

TEST_F(FileSearchTest, StoppingEndsOnlyTheCurrentFolder) {
    WriteFile(music + "/sub/e.wma", Bytes{1});
    g_stopIn = music + "/sub/";
    const auto seen = Search(music, "*.*");
    g_stopIn.clear();
    EXPECT_EQ(seen.size(), 7u);  // one of sub's two files and the parent's six
    g_stopIn = "*";              // one file is enough to see the root's form
    for (const auto& [path, s] : Search("/", "*.*", 1)) EXPECT_EQ(s.folder + s.name, path);
    g_stopIn.clear();
}

// A link back up the tree is a loop and is not entered; a link to a sibling
// folder is walked like the folder itself, in any listing order; paths longer
// than 1,023 characters are skipped, never cut.
TEST_F(FileSearchTest, LinkLoopsAndPathsTooLong) {
    ASSERT_EQ(symlink("..", (music + "/sub/up").c_str()), 0);
    ASSERT_EQ(symlink((music + "/sub").c_str(), (music + "/again").c_str()), 0);
    std::string deep = music;
    while (deep.size() < 1000) ASSERT_EQ(mkdir((deep += "/dddddddddd").c_str(), 0755), 0);
    const std::string fits = deep + "/" + std::string(1022 - deep.size(), 'f');
    WriteFile(fits, Bytes{1});
    WriteFile(deep + "/" + std::string(1024 - deep.size(), 'g'), Bytes{1});
    const auto seen = Search(music, "*.*");
    EXPECT_EQ(seen.size(), 9u);
    for (const std::string& path : {music + "/sub/d.wma", music + "/again/d.wma", fits})
        EXPECT_EQ(seen.count(path), 1u) << path;
}

}  // namespace

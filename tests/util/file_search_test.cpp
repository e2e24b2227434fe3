// Recursive file search over real folder trees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

struct Seen {
    std::string path, folder, name;
    int matches;
    bool operator<(const Seen& o) const { return path < o.path; }
};

std::vector<Seen> g_seen;
std::string g_stopIn;  // the callback stops the listing of this folder at its first file

int32_t Record(const char* path, const char* folder, const char* name, int32_t matches) {
    g_seen.push_back({path, folder, name, matches});
    return g_stopIn == "*" || g_stopIn == folder;
}

std::vector<Seen> Search(const std::string& folder, const char* types, int noRecurse = 0,
                         int32_t* result = nullptr) {
    g_seen.clear();
    const int32_t r = SearchFiles(folder.c_str(), types, Record, noRecurse);
    if (result) *result = r;
    auto seen = g_seen;
    std::sort(seen.begin(), seen.end());
    return seen;
}

class FileSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_stopIn.clear();
        mkdir((dir / "Music").c_str(), 0755);
        mkdir((dir / "Music/sub").c_str(), 0755);
        for (const char* f : {"Music/a.WAV", "Music/b.mp3", "Music/c.txt", "Music/sub/d.wma",
                              "Music/mp3", "Music/a.mp3x", "Music/ab"})
            WriteFile(dir / f, Bytes{1});
    }
    std::string music() const { return dir / "Music"; }
    TempDir dir;
};

TEST_F(FileSearchTest, ReportsEveryFileWithItsTypeMatch) {
    const auto seen = Search(music(), "WAV,MP3,WMA,");
    ASSERT_EQ(seen.size(), 7u);
    auto find = [&](const std::string& rel) {
        return *std::find_if(seen.begin(), seen.end(),
                             [&](const Seen& s) { return s.path == music() + rel; });
    };
    EXPECT_EQ(find("/a.WAV").matches, 1);
    EXPECT_EQ(find("/b.mp3").matches, 1);
    EXPECT_EQ(find("/c.txt").matches, 0);
    EXPECT_EQ(find("/mp3").matches, 1);
    EXPECT_EQ(find("/a.mp3x").matches, 0);
    EXPECT_EQ(find("/ab").matches, 0);
    const Seen sub = find("/sub/d.wma");
    EXPECT_EQ(sub.matches, 1);
    EXPECT_EQ(sub.folder, music() + "/sub/");
    EXPECT_EQ(sub.name, "d.wma");
}

TEST_F(FileSearchTest, TypeListsAndRecursion) {
    for (const auto& s : Search(music(), "*.*")) EXPECT_EQ(s.matches, 1) << s.path;
    for (const auto& s : Search(music(), "")) EXPECT_EQ(s.matches, 0) << s.path;
    for (const auto& s : Search(music(), "wav")) EXPECT_EQ(s.matches, s.name == "a.WAV") << s.path;
    EXPECT_EQ(Search(music(), "*.*", 1).size(), 6u);
}

TEST_F(FileSearchTest, TrailingSlashAndRootGiveNoDoubledSlash) {
    const auto a = Search(music(), "*.*");
    const auto b = Search(music() + "/", "*.*");
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].path, b[i].path);
    g_stopIn = "*";  // one file is enough to see the root's form
    for (const auto& s : Search("/", "*.*", 1)) {
        EXPECT_EQ(s.path.rfind("//", 0), std::string::npos);
        EXPECT_EQ(s.folder, "/");
    }
}

TEST_F(FileSearchTest, StoppingEndsOnlyTheCurrentFolder) {
    WriteFile(dir / "Music/sub/e.wma", Bytes{1});
    g_stopIn = music() + "/sub/";
    const auto seen = Search(music(), "*.*");
    int inSub = 0;
    for (const auto& s : seen) inSub += s.folder == g_stopIn;
    EXPECT_EQ(inSub, 1);
    EXPECT_EQ(seen.size(), 7u);  // the parent's six files are all still reported
}

TEST_F(FileSearchTest, MissingFoldersAndLinkLoops) {
    int32_t result = 0;
    EXPECT_TRUE(Search(dir / "nope", "*.*", 0, &result).empty());
    EXPECT_EQ(result, -1);
    EXPECT_EQ(SearchFiles(music().c_str(), "*.*", Record, 0), 1);

    // A link back up the tree is a loop and is not entered; a link to a
    // sibling folder is walked like the folder itself, in any listing order.
    ASSERT_EQ(symlink("..", (dir / "Music/sub/up").c_str()), 0);
    ASSERT_EQ(symlink((dir / "Music/sub").c_str(), (dir / "Music/again").c_str()), 0);
    const auto seen = Search(music(), "*.*");
    ASSERT_EQ(seen.size(), 8u);
    for (const char* path : {"/sub/d.wma", "/again/d.wma"})
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const Seen& s) {
            return s.path == music() + path;
        })) << path;
}

TEST_F(FileSearchTest, PathsTooLongAreSkipped) {
    std::string deep = music();
    while (deep.size() < 1000) {
        deep += "/dddddddddd";
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    const std::string fits = deep + "/" + std::string(1022 - deep.size(), 'f');
    const std::string tooLong = deep + "/" + std::string(1024 - deep.size(), 'g');
    WriteFile(fits, Bytes{1});
    WriteFile(tooLong, Bytes{1});
    const auto seen = Search(music(), "*.*");
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_TRUE(
        std::any_of(seen.begin(), seen.end(), [&](const Seen& s) { return s.path == fits; }));
}

}  // namespace

// The settings record on disk and the program's paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "program_paths.h"
#include "settings.h"
#include "test_support.h"

using namespace testing_support;
using sonavert::Settings;

namespace {

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        mkdir((dir / "program").c_str(), 0755);
        mkdir((dir / "home").c_str(), 0755);
        defaults = {dir / "program/", dir / "home/"};
    }
    std::string File() const { return dir / "settings.dat"; }
    Bytes Record(const Settings& s) const {
        const auto r = sonavert::EncodeSettings(s);
        return Bytes(r.begin(), r.end());
    }
    TempDir dir;
    sonavert::SettingsDefaults defaults;
};

// No file: the defaults, written at once as the exact 796 bytes.
TEST_F(SettingsFile, FirstStartWritesTheDefaultRecord) {
    const Settings s = sonavert::LoadSettings(File(), defaults);
    EXPECT_EQ(s, sonavert::DefaultSettings(defaults));
    Bytes expected(796, 0);
    std::memcpy(&expected[0], defaults.outputFolder.data(), defaults.outputFolder.size());
    std::memcpy(&expected[260], defaults.homeFolder.data(), defaults.homeFolder.size());
    std::memcpy(&expected[520], defaults.homeFolder.data(), defaults.homeFolder.size());
    for (auto [offset, value] : {std::pair{780, 128u}, {784, 32768u}, {788, 1u}, {792, 0u}})
        for (int i = 0; i < 4; ++i) expected[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    EXPECT_EQ(ReadFile(File()), expected);
}

// Each field out of range takes its default; the other fields are kept.
TEST_F(SettingsFile, FieldsOutOfRangeAreResetOneByOne) {
    Settings kept = sonavert::DefaultSettings(defaults);
    kept.bitrate = 64;
    kept.bufferBytes = 1024;
    kept.bubbleHelp = 0;
    kept.formatIndex = 1;
    const Settings fresh = sonavert::DefaultSettings(defaults);
    using S = Settings;
    const std::tuple<size_t, int32_t, int32_t S::*> broken[] = {{780, 96, &S::bitrate},
                                                                {784, 3000, &S::bufferBytes},
                                                                {788, 2, &S::bubbleHelp},
                                                                {792, 3, &S::formatIndex},
                                                                {792, -1, &S::formatIndex}};
    for (auto [offset, value, field] : broken) {
        Bytes record = Record(kept);
        for (int i = 0; i < 4; ++i)
            record[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        Settings expected = kept;
        expected.*field = fresh.*field;
        EXPECT_EQ(sonavert::DecodeSettings(record.data(), record.size(), defaults), expected)
            << offset << " = " << value;
    }
}

// A path field without its NUL, or naming a folder that is gone, takes its
// default; a folder stored without its '/' gets one.
TEST_F(SettingsFile, PathFieldsThatCannotBeUsedTakeTheirDefault) {
    Bytes record = Record(sonavert::DefaultSettings(defaults));
    std::memset(&record[0], 'x', 260);  // no NUL
    const std::string gone = dir / "gone/";
    std::memcpy(&record[260], gone.data(), gone.size());
    const std::string bare = dir / "home";
    std::memset(&record[520], 0, 260);
    std::memcpy(&record[520], bare.data(), bare.size());
    const Settings s = sonavert::DecodeSettings(record.data(), record.size(), defaults);
    EXPECT_EQ(s.outputFolder, defaults.outputFolder);
    EXPECT_EQ(s.addFilesFolder, defaults.homeFolder);
    EXPECT_EQ(s.searchFolder, bare + "/");

    const std::string fills = std::string(258, '/') + ".";  // 259 bytes: no room for its '/'
    std::memcpy(&record[520], fills.data(), fills.size());
    EXPECT_EQ(sonavert::DecodeSettings(record.data(), record.size(), defaults).searchFolder,
              defaults.homeFolder);
}

// A short file fills the record as far as it goes; a long one is read for its
// first 796 bytes.
TEST_F(SettingsFile, ShortAndLongFiles) {
    Settings s = sonavert::DefaultSettings(defaults);
    s.bitrate = 192;
    s.formatIndex = 2;
    Bytes record = Record(s);
    WriteFile(File(), Bytes(record.begin(), record.begin() + 784));
    const Settings shortRead = sonavert::LoadSettings(File(), defaults);
    EXPECT_EQ(shortRead.bitrate, 192);
    EXPECT_EQ(shortRead.bufferBytes, 32768);  // 0 is out of range
    EXPECT_EQ(shortRead.bubbleHelp, 0);       // 0 is a value of its own
    EXPECT_EQ(shortRead.formatIndex, 0);

    record.resize(2000, 0xEE);
    WriteFile(File(), record);
    EXPECT_EQ(sonavert::LoadSettings(File(), defaults), s);
}

// A path too long for its field is never stored cut short; a save that cannot
// be written (a full disk, a folder without rights) leaves the old file as it was.
TEST_F(SettingsFile, LongPathsAndFailedSaves) {
    Settings s = sonavert::DefaultSettings(defaults);
    s.outputFolder = "/" + std::string(300, 'p') + "/";
    EXPECT_FALSE(sonavert::FitsPathField(s.outputFolder));
    const Bytes record = Record(s);
    EXPECT_EQ(record[0], 0);
    EXPECT_EQ(sonavert::DecodeSettings(record.data(), record.size(), defaults).outputFolder,
              defaults.outputFolder);

    ASSERT_TRUE(sonavert::SaveSettings(File(), sonavert::DefaultSettings(defaults)));
    const Bytes before = ReadFile(File());
    s.bitrate = 64;
    for (const ChildOptions& failing :
         {ChildOptions{100, false}, ChildOptions{RLIM_INFINITY, true}}) {
        ASSERT_EQ(chmod(dir.path().c_str(), failing.asNobody ? 0555 : 0755), 0);
        EXPECT_EQ(RunInChild([&] { return sonavert::SaveSettings(File(), s) ? 1 : 0; }, failing),
                  0);
        EXPECT_EQ(ReadFile(File()), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
            << "no temporary file is left";
    }
    chmod(dir.path().c_str(), 0755);
}

// A FIFO as settings.dat is not waited on: the defaults, written at once. A
// link planted where a temporary file might go is never followed.
TEST_F(SettingsFile, NothingButTheRecordIsReadOrWritten) {
    ASSERT_EQ(mkfifo(File().c_str(), 0644), 0);
    const int status = RunInChild([&] {
        alarm(10);  // a blocked open ends the child
        return sonavert::LoadSettings(File(), defaults) == sonavert::DefaultSettings(defaults) ? 0
                                                                                               : 1;
    });
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(std::filesystem::is_regular_file(File()));
    EXPECT_EQ(ReadFile(File()), Record(sonavert::DefaultSettings(defaults)));

    const Bytes mine = {'m', 'i', 'n', 'e'};
    WriteFile(dir / "home/mine", mine);
    ASSERT_EQ(symlink("home/mine", (File() + ".tmp").c_str()), 0);
    Settings s = sonavert::DefaultSettings(defaults);
    s.bitrate = 64;
    ASSERT_TRUE(sonavert::SaveSettings(File(), s));
    EXPECT_EQ(ReadFile(dir / "home/mine"), mine);
    EXPECT_EQ(sonavert::LoadSettings(File(), defaults), s);
    // program/, home/, the record and the link: no temporary file is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

TEST(ProgramPaths, PortableOrXdg) {
    TempDir dir;
    mkdir((dir / "home").c_str(), 0755);
    mkdir((dir / "app").c_str(), 0755);
    const std::string home = dir / "home";
    std::map<std::string, std::string> vars = {{"HOME", home}};
    const sonavert::Environment env = [&](const char* name) -> const char* {
        const auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
    const auto portable = sonavert::FindProgramPaths(dir / "app", env);
    EXPECT_EQ(portable.programFolder, dir / "app/");
    EXPECT_EQ(portable.settingsFile, dir / "app/settings.dat");
    EXPECT_EQ(portable.scratchFile, dir / "app/temp.wav");
    EXPECT_EQ(portable.defaults.outputFolder, dir / "app/");
    EXPECT_EQ(portable.defaults.homeFolder, home + "/");

    // A system install (its documents beside its bin folder) uses the XDG
    // folders even when its folder is writable.
    std::filesystem::create_directories(dir / "usr/bin");
    std::filesystem::create_directories(dir / "usr/share/doc/sonavert");
    const auto system = sonavert::FindProgramPaths(dir / "usr/bin", env);
    EXPECT_EQ(system.settingsFile, home + "/.config/sonavert/settings.dat");
    EXPECT_EQ(system.scratchFile, home + "/.cache/sonavert/temp.wav");

    // A program folder the user cannot write: settings and scratch go to the
    // XDG folders, and the output to ~/Music/ when there is one.
    ASSERT_EQ(chmod((dir / "app").c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    vars["XDG_CACHE_HOME"] = dir / "cache";
    vars["XDG_CONFIG_HOME"] = "config";  // not absolute: ignored
    mkdir((dir / "home/Music").c_str(), 0755);
    const int status = RunInChild(
        [&] {
            const auto p = sonavert::FindProgramPaths(dir / "app", env);
            return p.settingsFile == home + "/.config/sonavert/settings.dat" &&
                           p.scratchFile == dir / "cache/sonavert/temp.wav" &&
                           p.defaults.outputFolder == home + "/Music/"
                       ? 0
                       : 1;
        },
        {RLIM_INFINITY, true});
    EXPECT_EQ(status, 0);
    vars.erase("HOME");
    EXPECT_EQ(sonavert::HomeFolder(env), "/");
}

}  // namespace

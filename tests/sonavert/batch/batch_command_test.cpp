// `sonavert --convert` through its real binary, copied with libtonekit.so
// into a program folder of its own, on inputs made by ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "peer_tools.h"
#include "test_support.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// "codec width height" of the attached picture, or "" when there is none.
std::string Cover(const std::string& path) {
    std::string out;
    RunCommand(
        "ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height "
        "-of csv=p=0 " +
            Quote(path),
        &out);
    return out;
}

class BatchCommand : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        inputs_ = new TempDir;
        const std::string in = inputs_->path() + "/";
        Ffmpeg("-f lavfi -i color=red:s=64x64 -frames:v 1 " + in + "cover.png");
        Ffmpeg(
            "-f lavfi -i sine=440:duration=3 -ac 2 -metadata title='Wave Title' "
            "-metadata artist='Wave Artist' -metadata album='Wave Album' " +
            in + "wave.wav");
        Ffmpeg("-f lavfi -i sine=550:duration=2 -i " + in +
               "cover.png -map 0 -map 1 -ac 2 "
               "-c:a libmp3lame -b:a 128k -c:v copy -id3v2_version 3 "
               "-metadata:s:v comment='Cover (front)' -metadata title='Song Title' "
               "-metadata artist='Song Artist' -metadata album='Song Album' -metadata track=7 "
               "-metadata album_artist='Song Band' "
               "-metadata date=1999 -metadata genre=Jazz " +
               in + "song.mp3");
        Ffmpeg(
            "-f lavfi -i sine=660:duration=2 -ac 2 -c:a wmav2 -b:a 128k "
            "-metadata title='Wma Title' -metadata artist='Wma Artist' " +
            in + "tune.wma");
        Ffmpeg(
            "-f lavfi -i sine=770:duration=1 -ac 2 -c:a libmp3lame -b:a 128k "
            "-map_metadata -1 -write_xing 0 " +
            in + "plain.mp3");
    }
    static void TearDownTestSuite() { delete inputs_; }

    void SetUp() override {
        program_ = dir_ / "program/";
        fs::create_directories(program_);
        for (const char* file : {"sonavert", "libtonekit.so", "libsonavert-encode.so"})
            fs::copy_file(std::string(BIN_DIR "/") + file, program_ + file);
        fs::create_directories(dir_ / "in");
        fs::create_directories(dir_ / "out");
    }

    void CopyInput(const std::string& name, const std::string& as = "") {
        fs::copy_file(inputs_->path() + "/" + name, dir_ / ("in/" + (as.empty() ? name : as)));
    }

    // Starts `sonavert --convert --output out ARGUMENTS` (shell words) in a
    // home of its own, which has no .cache folder at first, reporting into `log`.
    pid_t Start(const std::string& arguments, const std::string& log) {
        const std::string command =
            "cd " + Quote(dir_.path()) +
            " && umask 022 && exec env -u XDG_CACHE_HOME -u XDG_DATA_HOME HOME=" +
            Quote(dir_ / "home") + " " + Quote(program_ + "sonavert") + " --convert --output out " +
            arguments + " >" + Quote(log) + " 2>&1";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
            _exit(127);
        }
        return pid;
    }

    // Runs a conversion to its end: its exit status, and what it printed.
    int Convert(const std::string& arguments, std::string* output = nullptr) {
        int status = 0;
        waitpid(Start(arguments, dir_ / "log"), &status, 0);
        const Bytes printed = ReadFile(dir_ / "log");
        if (output) output->assign(printed.begin(), printed.end());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The temporary outputs in the output folder.
    std::vector<std::string> PartFiles() {
        std::vector<std::string> parts;
        for (const auto& name : Listing(dir_ / "out"))
            if (name.rfind(".sonavert-", 0) == 0) parts.push_back(name);
        return parts;
    }

    // Waits (up to a minute) until `ready` holds.
    static bool WaitFor(const std::function<bool()>& ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return ready();
    }

    // What the runs left in the scratch folders: nothing, once they ended.
    std::vector<std::string> ScratchLeft() {
        std::vector<std::string> left;
        const std::string cache = dir_ / "home/.cache/sonavert";
        if (fs::exists(cache))
            for (const auto& entry : fs::recursive_directory_iterator(cache))
                left.push_back(entry.path().string());
        return left;
    }

    std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static TempDir* inputs_;
    TempDir dir_;
    std::string program_;
};

TempDir* BatchCommand::inputs_ = nullptr;

class BatchFormats : public BatchCommand,
                     public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(BatchFormats, AFolderOfMixedInputsKeepsItsTagsAndCover) {
    const auto [format, codec] = GetParam();
    const std::string names[] = {"wave.wav", "song.mp3", "tune.wma", "plain.mp3"};
    for (const auto& name : names) CopyInput(name);
    std::string log;
    ASSERT_EQ(Convert("--to " + format + " --jobs 2 in", &log), 0) << log;
    for (const auto& name : names) {
        const std::string stem = name.substr(0, name.find('.'));
        const std::string in = dir_ / ("in/" + name), out = dir_ / ("out/" + stem + "." + format);
        SCOPED_TRACE(out);
        EXPECT_EQ(Probe(out, "stream=codec_name"), codec);
        EXPECT_EQ(fs::status(out).permissions(), fs::perms(0644)) << "as any new file";
        EXPECT_NEAR(std::stod(Probe(out, "format=duration")),
                    std::stod(Probe(in, "format=duration")), 0.2);
        const auto before = Tags(in), after = Tags(out);
        for (const char* key : {"title", "artist", "album"}) {
            if (before.count(key))
                EXPECT_EQ(after.count(key) ? after.at(key) : "", before.at(key)) << key;
            else
                EXPECT_EQ(after.count(key), 0u) << key;
        }
        if (format != "wav" && stem == "song") {
            for (const char* key : {"track", "date", "genre", "album_artist"})
                EXPECT_EQ(after.count(key) ? after.at(key) : "", before.at(key)) << key;
            EXPECT_EQ(Cover(out), Cover(in));
        }
    }
    EXPECT_EQ(Listing(dir_ / "out").size(), 4u) << "no temporary file is left";
}

// Each format with the codec ffprobe must find in it.
INSTANTIATE_TEST_SUITE_P(Formats, BatchFormats,
                         ::testing::Values(std::pair{"mp3", "mp3"}, std::pair{"wma", "wmav2"},
                                           std::pair{"wav", "pcm_s16le"}, std::pair{"flac", "flac"},
                                           std::pair{"opus", "opus"}, std::pair{"ogg", "vorbis"},
                                           std::pair{"m4a", "aac"}));

// What the encoders' own tests cannot see: the workers' measurements make
// one album gain per folder, and a single long MP3 is encoded on both cores
// into exactly its input's samples.
TEST_F(BatchCommand, EncodersKeepTheSourceWriteGainsAndSplitOneLongMp3) {
    const std::string in = dir_ / "in/";
    Ffmpeg("-f lavfi -i sine=440:duration=3 -ar 48000 -ac 6 -c:a pcm_s24le " + in + "wide.wav");
    Ffmpeg("-f lavfi -i sine=220:duration=2 -af volume=-12dB -ac 2 " + in + "quiet.wav");
    std::string log;
    ASSERT_EQ(Convert("--to flac --replaygain album --quiet in", &log), 0) << log;
    const auto wide = Tags(dir_ / "out/wide.flac"), quiet = Tags(dir_ / "out/quiet.flac");
    EXPECT_NE(wide.at("replaygain_track_gain"), quiet.at("replaygain_track_gain"));
    EXPECT_EQ(wide.at("replaygain_album_gain"), quiet.at("replaygain_album_gain"));

    MakeMusicLikeWav(in + "long.wav", 44100, 2, 20.0);
    ASSERT_EQ(Convert("--to mp3 --jobs 2 --quiet in/long.wav", &log), 0) << log;
    EXPECT_EQ(DecodedFrames(dir_ / "out/long.mp3"), 20 * 44100);
}

TEST_F(BatchCommand, CollidingOutputsRenameExistingOnesFollowOnExistsAndReruns) {
    CopyInput("wave.wav", "a.wav");
    CopyInput("song.mp3", "a.mp3");
    std::string plan;
    ASSERT_EQ(Convert("--to mp3 --dry-run in/a.wav in/a.mp3", &plan), 0);
    EXPECT_EQ(plan, "in/a.wav -> out/a.mp3  (convert)\nin/a.mp3 -> out/a (2).mp3  (rename)\n");
    EXPECT_TRUE(Listing(dir_ / "out").empty());

    ASSERT_EQ(Convert("--to mp3 --quiet in/a.wav in/a.mp3"), 0);
    EXPECT_EQ(Listing(dir_ / "out"), (std::vector<std::string>{"a (2).mp3", "a.mp3"}));
    EXPECT_EQ(Tags(dir_ / "out/a.mp3")["title"], "Wave Title");
    EXPECT_EQ(Tags(dir_ / "out/a (2).mp3")["title"], "Song Title");

    // The same command again: what exists is skipped, names as before.
    std::string out;
    ASSERT_EQ(Convert("-t mp3 -n in/a.wav in/a.mp3", &out), 0);
    EXPECT_EQ(out,
              "in/a.wav -> out/a.mp3  (skip: the output exists)\n"
              "in/a.mp3 -> out/a (2).mp3  (skip: the output exists)\n");

    ASSERT_EQ(Convert("--to mp3 --dry-run --on-exists overwrite in/a.mp3 in/a.wav", &out), 0);
    EXPECT_EQ(out, "in/a.mp3 -> out/a.mp3  (overwrite)\nin/a.wav -> out/a (2).mp3  (overwrite)\n");
    ASSERT_EQ(Convert("-t mp3 -n --on-exists rename in/a.mp3", &out), 0);
    EXPECT_EQ(out, "in/a.mp3 -> out/a (3).mp3  (rename)\n");
    ASSERT_EQ(Convert("--to mp3 --quiet --on-exists overwrite in/a.mp3"), 0);
    EXPECT_EQ(Tags(dir_ / "out/a.mp3")["title"], "Song Title");

    // Inputs side by side, written into their own folder: no input is
    // replaced by another's output, whatever its name.
    fs::create_symlink("in", dir_ / "alias");
    ASSERT_EQ(
        Convert("--to mp3 --output alias --on-exists overwrite --dry-run in/a.wav in/a.mp3", &out),
        0);
    EXPECT_EQ(out, "in/a.wav -> alias/a (2).mp3  (rename)\nin/a.mp3 -> alias/a.mp3  (overwrite)\n");
}

// The folder layout reaches the plan: a name pattern (falling back to the
// stem where a tag is missing), or the input tree mirrored under new folders.
TEST_F(BatchCommand, OutputsMirrorTheInputTreeOrFollowANamePattern) {
    fs::create_directories(dir_ / "in/A/B");
    CopyInput("wave.wav", "A/B/x.wav");
    CopyInput("song.mp3");
    std::string out;
    ASSERT_EQ(Convert("-n -t mp3 -r --name '{artist}/{album}/{track:02} {title}' in", &out), 0);
    EXPECT_EQ(out,
              "in/A/B/x.wav -> out/Wave Artist/Wave Album/x.mp3  (convert)\n"
              "in/song.mp3 -> out/Song Artist/Song Album/07 Song Title.mp3  (convert)\n");
    ASSERT_EQ(Convert("-r -t wav -o out/new/deep --quiet in", &out), 0) << out;
    for (const char* made : {"A/B/x.wav", "song.wav"})
        EXPECT_TRUE(fs::is_regular_file(dir_ / ("out/new/deep/" + std::string(made)))) << made;
}

TEST_F(BatchCommand, VerifiedInputsGoToTheTrashAndOutputsKeepTheirTime) {
    CopyInput("wave.wav", "good.wav");
    CopyInput("plain.mp3", "kept.mp3");
    fs::copy_file(dir_ / "in/kept.mp3", dir_ / "out/kept.wav");  // skipped: stays
    WriteFile(dir_ / "in/bad.wav", Bytes(100, 7));               // fails: stays
    ASSERT_EQ(RunCommand("touch -d '2001-02-03 04:05:06' " + Quote(dir_ / "in/good.wav")), 0);
    std::string log;
    ASSERT_EQ(Convert("-n -t wav --keep-time --delete-source in", &log), 0) << log;
    ASSERT_EQ(Listing(dir_ / "in").size(), 3u) << "a dry run moves nothing";
    EXPECT_EQ(Convert("-v -t wav --keep-time --delete-source in", &log), 1) << log;
    EXPECT_EQ(Listing(dir_ / "in"), (std::vector<std::string>{"bad.wav", "kept.mp3"}));
    for (const char* step : {"decoding in/good.wav", "encoding in/good.wav -> out/good.wav",
                             "dated    out/good.wav", "trashed  in/good.wav"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    const std::string trash = dir_ / "home/.local/share/Trash/";
    EXPECT_EQ(Listing(trash + "files"), std::vector<std::string>{"good.wav"});
    EXPECT_TRUE(fs::exists(trash + "info/good.wav.trashinfo"));
    EXPECT_EQ(fs::last_write_time(dir_ / "out/good.wav"),
              fs::last_write_time(trash + "files/good.wav"));
}

TEST_F(BatchCommand, CueSheetsSplitTheirImageIntoTaggedTracks) {
    // The sheet names the WAV it was ripped to; the folder holds it as FLAC.
    Ffmpeg("-f lavfi -i sine=440:duration=6 -ac 2 " + Quote(dir_ / "in/disc.flac"));
    WriteFile(dir_ / "in/disc.cue", [] {
        const std::string text =
            "PERFORMER \"Ren\xE9\"\nTITLE \"Disc\"\nFILE \"disc.wav\" WAVE\n"
            "  TRACK 01 AUDIO\n    TITLE \"Un\"\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    TITLE \"Deux\"\n    INDEX 00 00:01:50\n    INDEX 01 00:02:00\n"
            "  TRACK 03 AUDIO\n    TITLE \"Trois\"\n    INDEX 01 00:03:38\n";
        return Bytes(text.begin(), text.end());
    }());
    const std::pair<const char*, double> tracks[] = {
        {"01 Un", 2.0}, {"02 Deux", 1 + 38 / 75.0}, {"03 Trois", 2 + 37 / 75.0}};
    std::string log;
    ASSERT_EQ(Convert("-t wav -r in", &log), 0) << log;
    EXPECT_EQ(Listing(dir_ / "out"),
              (std::vector<std::string>{"01 Un.wav", "02 Deux.wav", "03 Trois.wav"}));
    for (const auto& [name, seconds] : tracks) {
        const std::string out = dir_ / ("out/" + std::string(name) + ".wav");
        EXPECT_NEAR(std::stod(Probe(out, "format=duration")), seconds, 0.001) << out;
        EXPECT_EQ(Tags(out)["title"], std::string(name).substr(3)) << out;
        EXPECT_EQ(Tags(out)["artist"], "Ren\xC3\xA9") << out;
    }
}

TEST_F(BatchCommand, AnInputCutShortFailsAndNothingIsLeft) {
    CopyInput("wave.wav", "whole.wav");
    // The headers still claim three and two seconds; the files hold less.
    const Bytes wave = ReadFile(dir_ / "in/whole.wav");
    WriteFile(dir_ / "in/cut.wav", Bytes(wave.begin(), wave.begin() + 44 + 176400));
    const Bytes wma = ReadFile(inputs_->path() + "/tune.wma");
    WriteFile(dir_ / "in/cut.wma", Bytes(wma.begin(), wma.begin() + 4000));
    std::string log;
    EXPECT_EQ(Convert("--to mp3 --jobs 2 --no-verify in", &log), 1) << log;
    EXPECT_NE(log.find("failed: the input is cut short: it declares 2.99 s and holds 1.00 s"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("cut.wma"), std::string::npos) << log;
    EXPECT_EQ(Listing(dir_ / "out"), (std::vector<std::string>{"whole.mp3"}));
}

TEST_F(BatchCommand, SignalsEndOnlyTheirOwnJobsAndLeaveNothingBehind) {
    Ffmpeg("-f lavfi -i sine=440:duration=40 -ac 2 " + Quote(dir_ / "in/long1.wav"));
    for (int i = 2; i <= 5; ++i)
        fs::copy_file(dir_ / "in/long1.wav", dir_ / ("in/long" + std::to_string(i) + ".wav"));
    auto workers = [](pid_t coordinator) {
        std::string out;
        RunCommand("pgrep -P " + std::to_string(coordinator), &out);
        std::vector<pid_t> pids;
        std::istringstream lines(out);
        for (pid_t pid; lines >> pid;) pids.push_back(pid);
        return pids;
    };
    // One worker is asked to stop, the other dies: each fails its own job
    // and is replaced; the coordinator removes what the dead one left.
    const std::string log = dir_ / "log";
    pid_t pid = Start("--to mp3 --jobs 2 in", log);
    ASSERT_TRUE(WaitFor([&] { return PartFiles().size() == 2 && workers(pid).size() == 2; }));
    const auto pids = workers(pid);
    kill(pids[0], SIGTERM);
    kill(pids[1], SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto summary = ReadFile(log);
    const std::string text(summary.begin(), summary.end());
    EXPECT_NE(text.find("failed: interrupted"), std::string::npos) << text;
    EXPECT_NE(text.find("failed: the worker ended by Killed"), std::string::npos) << text;
    EXPECT_EQ(Listing(dir_ / "out").size(), 3u) << text;
    for (const auto& name : Listing(dir_ / "out"))
        EXPECT_NEAR(std::stod(Probe(dir_ / ("out/" + name), "format=duration")), 40.0, 0.2) << name;
    EXPECT_EQ(ScratchLeft(), std::vector<std::string>{});

    // Ctrl+C, then a coordinator killed outright: its workers notice, stop
    // and clean up after themselves.
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out");
    for (const int signal : {SIGINT, SIGKILL}) {
        pid = Start("--to mp3 --jobs 2 in", log);
        ASSERT_TRUE(WaitFor([&] { return PartFiles().size() == 2; }));
        const auto left = workers(pid);
        kill(pid, signal);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (signal == SIGINT) {
            EXPECT_EQ(WEXITSTATUS(status), 130);
        }
        EXPECT_TRUE(WaitFor([&] {
            return std::none_of(left.begin(), left.end(), [](pid_t p) {
                std::string state;  // a process ended but not yet reaped shows Z
                RunCommand("ps -o stat= -p " + std::to_string(p), &state);
                return !state.empty() && state[0] != 'Z';
            });
        }));
        EXPECT_EQ(PartFiles(), std::vector<std::string>{}) << signal;
        EXPECT_EQ(ScratchLeft(), std::vector<std::string>{}) << signal;
    }
}

TEST_F(BatchCommand, WorkersNeverShareAScratchFileOnAFreshInstall) {
    // An installed tree: the scratch files go under a home without .cache.
    program_ = dir_ / "usr/bin/";
    fs::create_directories(program_);
    fs::create_directories(dir_ / "usr/share/doc/sonavert");
    for (const char* file : {"sonavert", "libtonekit.so"})
        fs::copy_file(std::string(BIN_DIR "/") + file, program_ + file);
    // Many short distinct inputs beside header-only ones, and a user's own
    // temp.wav where the outputs go.
    constexpr int kGood = 40;
    for (int i = 0; i < kGood; ++i) {
        const std::string n = std::to_string(i);
        WriteFile(dir_ / ("in/g" + n + ".wav"),
                  SimpleWav(44100, 16, 2, StereoRamp(2000 + 37 * i, i + 1, 500 + i)));
        WriteFile(dir_ / ("in/h" + n + ".wav"), SimpleWav(44100, 16, 2, {}));
    }
    const Bytes user{'m', 'i', 'n', 'e'};
    WriteFile(dir_ / "out/temp.wav", user);
    for (int run = 0; run < 3; ++run) {
        std::string log;
        EXPECT_EQ(Convert("--to wav --jobs 2 --quiet in", &log), 1);
        for (int i = 0; i < kGood; ++i) {
            const std::string name = "g" + std::to_string(i) + ".wav";
            // Each output holds its own input's samples, give or take the
            // converter's rounding.
            const Bytes in = ReadFile(dir_ / ("in/" + name));
            const Bytes out = ReadFile(dir_ / ("out/" + name));
            const auto a = ToSamples16(Bytes(in.begin() + 44, in.end()));
            const auto b =
                ToSamples16(Bytes(out.begin() + std::min<size_t>(44, out.size()), out.end()));
            EXPECT_TRUE(a.size() == b.size() &&
                        std::equal(a.begin(), a.end(), b.begin(),
                                   [](int16_t x, int16_t y) { return std::abs(x - y) <= 2; }))
                << name << " in run " << run << "\n"
                << log;
            fs::remove(dir_ / ("out/" + name));
        }
        EXPECT_EQ(Listing(dir_ / "out"), std::vector<std::string>{"temp.wav"});
    }
    EXPECT_EQ(ReadFile(dir_ / "out/temp.wav"), user);
    EXPECT_EQ(ScratchLeft(), std::vector<std::string>{});
    EXPECT_EQ(Listing(program_), (std::vector<std::string>{"libtonekit.so", "sonavert"}));
}

TEST_F(BatchCommand, AnAlbumFolderGivesItsAudioInEveryShape) {
    const std::string in = dir_ / "in/";
    for (const char* name : {"cover.jpg", "notes.txt", "album.cue", "album.m3u"})
        WriteFile(in + name, {'x'});
    // WAVs the WAV reader refuses, one at another rate, a FLAC, and a WAV
    // long enough for its true length to matter.
    const std::pair<const char*, const char*> made[] = {
        {"-t 2 -c:a pcm_s24le", "deep.wav"}, {"-t 2 -c:a pcm_f32le", "float.wav"},
        {"-t 2 -ac 6", "six.wav"},           {"-t 2 -ar 48000", "wide.wav"},
        {"-t 2 -ac 2", "tone.flac"},         {"-ac 2", "long.wav"}};
    for (const auto& [options, name] : made)
        Ffmpeg("-f lavfi -i sine=440:duration=45 " + std::string(options) + " " + Quote(in + name));
    // An output name of 240 bytes, as long as names go but for 15 bytes.
    const std::string longTitle(236, 'n');
    fs::copy_file(in + "deep.wav", in + longTitle + ".wav");
    std::string log;
    ASSERT_EQ(Convert("--to mp3 --jobs 2 in", &log), 0) << log;
    EXPECT_TRUE(fs::exists(dir_ / ("out/" + longTitle + ".mp3")));
    for (const auto& [options, name] : made) {
        const std::string title = std::string(name).substr(0, std::string(name).find('.'));
        EXPECT_NEAR(std::stod(Probe(dir_ / ("out/" + title + ".mp3"), "format=duration")),
                    std::stod(Probe(in + name, "format=duration")), 0.1)
            << name;
    }
    EXPECT_EQ(Listing(dir_ / "out").size(), std::size(made) + 1);
    // A file named on the command line is taken as given.
    EXPECT_EQ(Convert("--to mp3 in/notes.txt", &log), 1);
    EXPECT_NE(
        log.find("failed: cannot be read as audio (Invalid data found when processing input)"),
        std::string::npos)
        << log;
}

TEST_F(BatchCommand, AFullDiskAndAReadOnlyFolderAreNamed) {
    const std::string small = dir_ / "small";
    fs::create_directories(small);
    if (RunCommand("mount -t tmpfs -o size=256k tmpfs " + Quote(small) + " 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    CopyInput("wave.wav");  // 529 kB as WAV
    std::string log;
    EXPECT_EQ(Convert("--to wav --output small in/wave.wav", &log), 1);
    EXPECT_NE(log.find("failed: no space left on device"), std::string::npos) << log;
    EXPECT_EQ(Listing(small), std::vector<std::string>{});
    RunCommand("mount -o remount,ro " + Quote(small));
    EXPECT_EQ(Convert("--to wav --output small in/wave.wav", &log), 2);
    EXPECT_EQ(log,
              "sonavert: the output folder small/ cannot be written (Read-only file system)\n"
              "Try 'sonavert --help'.\n");
    RunCommand("umount " + Quote(small));
}

TEST_F(BatchCommand, BadUsageSaysWhatIsWrong) {
    const std::pair<const char*, const char*> cases[] = {
        {"--to aiff in",
         "sonavert: --to takes mp3, wma, wav, flac, opus, ogg or m4a, not 'aiff'\n"},
        {"--jobs 65 in", "sonavert: --jobs takes a number from 1 to 64, not '65'\n"},
        {"-rx in", "sonavert: unknown option '-x'\n"},
        {"", "sonavert: no files or folders to convert\n"},
    };
    for (const auto& [arguments, message] : cases) {
        std::string out;
        EXPECT_EQ(RunCommand("cd " + Quote(dir_.path()) + " && " + Quote(program_ + "sonavert") +
                                 " --convert " + arguments + " 2>&1",
                             &out),
                  2)
            << arguments;
        EXPECT_EQ(out, std::string(message) + "Try 'sonavert --help'.\n") << arguments;
    }
    for (const char* arguments : {"--help", "--convert -rn -t mp3 in --help", "-h"}) {
        std::string help;
        EXPECT_EQ(RunCommand(Quote(program_ + "sonavert") + " " + arguments, &help), 0);
        EXPECT_NE(help.find("SYNOPSIS"), std::string::npos) << arguments;
    }
    std::string version;
    EXPECT_EQ(RunCommand(Quote(program_ + "sonavert") + " --convert in --version", &version), 0);
    EXPECT_EQ(version, "sonavert 1.0\n");
}

}  // namespace

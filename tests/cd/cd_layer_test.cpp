// The CD layer and track ripping over a simulated drive: only the ioctl is
// simulated, the probe, the command emulation and the ripping run unchanged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cd/aspi.h"
#include "cd/cd_commands.h"
#include "cd/cd_layer.h"
#include "simulated_drive.h"
#include "test_seams.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;
using namespace tonekit::cd;

namespace {

constexpr uint32_t kSector = 2352;

DiscImage TwelveTracks(std::set<int> dataTracks = {}) {
    DiscImage disc{{}, std::move(dataTracks)};
    for (int t = 1; t <= 12; ++t) disc.trackLengths.push_back(t == 3 ? 250 : 150 + t);
    return disc;
}

class CdLayer : public ::testing::Test {
  protected:
    void Install(DiscImage disc, uint8_t adapter = 0) {
        auto owned = std::make_unique<SimulatedDrive>(std::move(disc), adapter);
        drive = owned.get();
        InstallTransport(std::move(owned));
        InitCdLayer();
    }
    void SetUp() override { Install(TwelveTracks()); }
    void TearDown() override {
        InstallTransport(std::make_unique<NoDrives>());
        InitCdLayer();
    }
    Bytes Rip(const std::string& trackPath, ProgressCallback progress = nullptr) {
        EXPECT_NE(CDtoWAV(trackPath.c_str(), (dir / "rip.wav").c_str(), 0, progress), 0);
        return ReadFile(dir / "rip.wav");
    }
    // The rip holds `sectors` sectors from logical block `firstLba` on, finalised.
    void ExpectSectors(const Bytes& wav, uint32_t firstLba, uint32_t sectors) {
        ASSERT_EQ(wav.size(), 44 + kSector * sectors);
        EXPECT_EQ(Le32At(wav, 4), kSector * sectors + 36);
        for (uint32_t s = 0; s < sectors; ++s)
            for (uint32_t i = 0; i < kSector; i += 97)
                ASSERT_EQ(wav[44 + s * kSector + i], SimulatedDrive::SampleByte(firstLba + s, i));
    }
    SimulatedDrive* drive = nullptr;
    TempDir dir;
};

TEST_F(CdLayer, ScanFindsTheDriveBehindTheEmulatedAspi) {
    EXPECT_EQ(GetCdSupportInfo(), 0x0101u);
    ASSERT_EQ(CdDeviceCount(), 1);
    EXPECT_STREQ(GetCdDevice(0).identification, "SIMULATECD-ROM DRIVE    1.00");
    EXPECT_EQ(GetCdDevice(0).root, "/dev/sr0/");
    SRB_HAInquiry ha{};
    ha.h.SRB_Cmd = SC_HA_INQUIRY;
    ha.h.SRB_HaId = 1;
    EXPECT_EQ(SendCdCommand(&ha), SS_INVALID_HA);
    SRB_GDEVBlock type{};
    type.h.SRB_Cmd = SC_GET_DEV_TYPE;
    type.SRB_Target = 3;
    EXPECT_EQ(SendCdCommand(&type), SS_NO_DEVICE);
    EXPECT_EQ(SendCdCommand(nullptr), SS_ERR);

    Install(TwelveTracks(), 3);  // a drive on a higher adapter
    EXPECT_EQ(GetCdSupportInfo() & 0xFF, 4u);
    ASSERT_EQ(CdDeviceCount(), 1);
    EXPECT_EQ(GetCdDevice(0).adapter, 3);
    EXPECT_EQ(GetTrackTable(0).lastTrack, 12);
}

TEST_F(CdLayer, RippingATrackCopiesItsSectorsInOrder) {
    const CdTrackTable& t = GetTrackTable(0);
    EXPECT_EQ(t.firstTrack, 1);
    for (int track = 1; track <= 13; ++track)
        EXPECT_EQ(t.start[track], static_cast<int32_t>(drive->TrackStart(track) + 150)) << track;
    static std::vector<int32_t> progress;
    const Bytes wav = Rip("/dev/sr0/Track03.cda", [](int32_t p) {
        progress.push_back(p);
        return 0;
    });
    ExpectSectors(wav, drive->TrackStart(3), 250);
    const Bytes cdFormat = SimpleWav(44100, 16, 2, {});
    EXPECT_TRUE(std::equal(wav.begin() + 20, wav.begin() + 36, cdFormat.begin() + 20));
    ASSERT_EQ(progress.size(), 251u);
    EXPECT_EQ(progress[0], -1);
    EXPECT_EQ(progress.back(), 99);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ExpectSectors(Rip("/dev/sr0/Track12.cda"), drive->TrackStart(12), 162);
    // Stopped at the first sector, the rip keeps that sector.
    ExpectSectors(Rip("/dev/sr0/Track03.cda", [](int32_t p) { return p >= 0 ? 1 : 0; }),
                  drive->TrackStart(3), 1);
}

// A disc whose first track is not track 1 and starts after a pre-gap longer
// than the usual two seconds: each track is still read from its own start.
TEST_F(CdLayer, DiscsStartingLateOrAtAnotherTrackNumber) {
    Install(DiscImage{{120, 90}, {}, 5, 600});
    EXPECT_EQ(GetTrackTable(0).firstTrack, 5);
    ExpectSectors(Rip("/dev/sr0/Track05.cda"), 600, 120);
    ExpectSectors(Rip("/dev/sr0/Track06.cda"), 720, 90);
}

// A short transfer, a failing sector and a media change; a full disk leaves no file.
TEST_F(CdLayer, ReadFaults) {
    drive->FailSector(drive->TrackStart(3) + 100);
    ExpectSectors(Rip("/dev/sr0/Track03.cda"), drive->TrackStart(3), 100);
    drive->FailSector(drive->TrackStart(3));
    EXPECT_EQ(Rip("/dev/sr0/Track03.cda").size(), 44u);

    const int opensBefore = drive->opens;
    drive->ReportMediaChangeOnce();
    ExpectSectors(Rip("/dev/sr0/Track02.cda"), drive->TrackStart(2), 152);
    EXPECT_GT(drive->opens, opensBefore + 1);  // closed, probed again and reopened

    drive->ShortenReads(16);
    EXPECT_EQ(Rip("/dev/sr0/Track02.cda").size(), 44u);

    const std::string out = dir / "full.wav";
    EXPECT_EQ(RunInChild([&] { return CDtoWAV("/dev/sr0/Track02.cda", out.c_str(), 0, nullptr); },
                         {0, false}),
              0);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
}

TEST_F(CdLayer, PathsOffTheDiscGiveAHeaderOnlyFileAtOnce) {
    for (const char* path : {"/dev/sr1/Track03.cda", "/dev/SR0/Track03.cda", "/dev/sr0/Track13.cda",
                             "/dev/sr0/Track00.cda", "/dev/sr0/TrackXY.cda", "x"}) {
        const Bytes wav = Rip(path);
        ASSERT_EQ(wav.size(), 44u) << path;
        EXPECT_EQ(Le32At(wav, 4), 36u);
    }
    EXPECT_EQ(drive->readCommands, 0);
    drive->SetDiscPresent(false);
    InitCdLayer();
    EXPECT_EQ(Rip("/dev/sr0/Track01.cda").size(), 44u);
    uint8_t data[100] = {};
    EXPECT_EQ(InquireCdDevice(0, data), SS_COMP);  // answered with the tray open
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 8, 8), "SIMULATE");
}

std::vector<std::string> g_files;

int32_t Collect(const char* path, const char* folder, const char* name, int32_t matches) {
    g_files.push_back(std::string(folder) + "|" + name + "|" + path + "|" + char('0' + matches));
    return 0;
}

TEST_F(CdLayer, DriveRootsListTheirAudioTracksAsFiles) {
    Install(TwelveTracks({12}));
    for (const char* types : {"WAV,MP3,WMA,CDA,", "WAV,"}) {
        g_files.clear();
        EXPECT_EQ(SearchFiles("/dev/sr0", types, Collect, 0), 1);
        ASSERT_EQ(g_files.size(), 11u);
        EXPECT_EQ(g_files[10], std::string("/dev/sr0/|Track11.cda|/dev/sr0/Track11.cda|") +
                                   (types[4] ? '1' : '0'));
    }
    g_files.clear();
    EXPECT_EQ(SearchCDTracks(Collect), 11);
    EXPECT_EQ(g_files[2], "/dev/sr0/|Track03.cda|/dev/sr0/Track03.cda|1");
}

TEST(CdWithoutDrives, EverythingFailsAtOnce) {
    InstallTransport(std::make_unique<NoDrives>());
    InitCdLayer();
    EXPECT_EQ(GetCdSupportInfo(), 0u);
    EXPECT_EQ(StartCdUnit(0), SS_ERR);
    TempDir dir;
    EXPECT_NE(CDtoWAV("/dev/sr0/Track01.cda", (dir / "a.wav").c_str(), 0, nullptr), 0);
    EXPECT_EQ(ReadFile(dir / "a.wav").size(), 44u);
    EXPECT_EQ(SearchCDTracks(Collect), 0);
}

}  // namespace

// The CD layer and track ripping over a simulated drive: only the ioctl is
// simulated, the probe, the command emulation and the ripping run unchanged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
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

DiscImage TwelveTracks() {
    DiscImage disc;
    for (int t = 1; t <= 12; ++t) disc.trackLengths.push_back(t == 3 ? 250 : 150 + t);
    return disc;
}

class CdLayer : public ::testing::Test {
  protected:
    void Install(DiscImage disc, std::string node = "/dev/sr0", uint8_t adapter = 0) {
        auto owned = std::make_unique<SimulatedDrive>(std::move(disc), std::move(node), adapter);
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
    void ExpectSectors(const Bytes& wav, uint32_t firstLba, uint32_t sectors) {
        ASSERT_EQ(wav.size(), 44 + kSector * sectors);
        EXPECT_EQ(Le32At(wav, 40), kSector * sectors);
        EXPECT_EQ(Le32At(wav, 4), kSector * sectors + 36);
        for (uint32_t s = 0; s < sectors; ++s)
            for (uint32_t i = 0; i < kSector; i += 97)
                ASSERT_EQ(wav[44 + s * kSector + i], SimulatedDrive::SampleByte(firstLba + s, i))
                    << s;
    }
    SimulatedDrive* drive = nullptr;
    TempDir dir;
};

TEST_F(CdLayer, ScanFindsTheDriveBehindTheEmulatedAspi) {
    EXPECT_EQ(AccessMode(), CdAccessMode::PassThrough);
    EXPECT_EQ(GetCdSupportInfo(), 0x0101u);
    ASSERT_EQ(CdDeviceCount(), 1);
    EXPECT_STREQ(GetCdDevice(0).identification, "SIMULATECD-ROM DRIVE    1.00");
    EXPECT_EQ(GetCdDevice(0).root, "/dev/sr0/");

    SRB_HAInquiry ha{};
    ha.h.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(SendCdCommand(&ha), SS_COMP);
    EXPECT_EQ(std::string(ha.HA_ManagerId, 16), "SVASPI v0.696996");
    EXPECT_EQ(std::string(ha.HA_Identifier, 16), "SCSI Adapter 0  ");
    EXPECT_EQ(ha.HA_Unique[3], 8);
    ha.h.SRB_HaId = 1;
    EXPECT_EQ(SendCdCommand(&ha), SS_INVALID_HA);

    SRB_GDEVBlock type{};
    type.h.SRB_Cmd = SC_GET_DEV_TYPE;
    type.SRB_Target = 3;
    EXPECT_EQ(SendCdCommand(&type), SS_NO_DEVICE);
    EXPECT_EQ(type.SRB_DeviceType, kDeviceTypeUnknown);
    EXPECT_EQ(SendCdCommand(nullptr), SS_ERR);
    SRB_Header other{};
    other.SRB_Cmd = 9;
    EXPECT_EQ(SendCdCommand(&other), SS_ERR);
}

TEST_F(CdLayer, DrivesOnHigherAdaptersAreFound) {
    Install(TwelveTracks(), "/dev/sr0", 3);
    EXPECT_EQ(GetCdSupportInfo() & 0xFF, 4u);
    ASSERT_EQ(CdDeviceCount(), 1);
    EXPECT_EQ(GetCdDevice(0).adapter, 3);
    EXPECT_EQ(GetTrackTable(0).lastTrack, 12);
}

TEST_F(CdLayer, TrackTableComesFromTheToc) {
    const CdTrackTable& t = GetTrackTable(0);
    EXPECT_EQ(t.firstTrack, 1);
    EXPECT_EQ(t.lastTrack, 12);
    for (int track = 1; track <= 13; ++track)
        EXPECT_EQ(t.start[track], static_cast<int32_t>(drive->TrackStart(track) + 150)) << track;
    EXPECT_EQ(t.start[1], 150);
}

TEST_F(CdLayer, RippingATrackCopiesItsSectorsInOrder) {
    static std::vector<int32_t> progress;
    progress.clear();
    const Bytes wav = Rip("/dev/sr0/Track03.cda", [](int32_t p) {
        progress.push_back(p);
        return 0;
    });
    ExpectSectors(wav, drive->TrackStart(3), 250);
    const Bytes cdFormat = SimpleWav(44100, 16, 2, {});
    EXPECT_EQ(Bytes(wav.begin() + 20, wav.begin() + 36),
              Bytes(cdFormat.begin() + 20, cdFormat.begin() + 36));
    ASSERT_EQ(progress.size(), 251u);
    EXPECT_EQ(progress[0], -1);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress.back(), 99);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ExpectSectors(Rip("/dev/sr0/Track01.cda"), 0, 151);  // track 1 is read from block 0
}

// A disc whose first track is not track 1 and starts after a pre-gap longer
// than the usual two seconds: each track is still read from its own start.
TEST_F(CdLayer, DiscsStartingLateOrAtAnotherTrackNumber) {
    DiscImage disc{{120, 90}, {}, 5, 600};
    Install(disc);
    const CdTrackTable& t = GetTrackTable(0);
    EXPECT_EQ(t.firstTrack, 5);
    EXPECT_EQ(t.lastTrack, 6);
    EXPECT_EQ(t.start[5], 750);
    ExpectSectors(Rip("/dev/sr0/Track05.cda"), 600, 120);
    ExpectSectors(Rip("/dev/sr0/Track06.cda"), 720, 90);
    EXPECT_EQ(Rip("/dev/sr0/Track01.cda").size(), 44u);
}

// A READ CD that delivers fewer bytes than asked for has not read its sector.
TEST_F(CdLayer, ShortTransfersAreFailedReads) {
    uint8_t sector[kSector];
    EXPECT_EQ(ReadCdSector(0, drive->TrackStart(2), 1, sector), SS_COMP);
    drive->ShortenReads(16);
    EXPECT_EQ(ReadCdSector(0, drive->TrackStart(2), 1, sector), SS_ERR);
    EXPECT_EQ(Rip("/dev/sr0/Track02.cda").size(), 44u);
}

// A full disk: the rip fails and leaves no file of its own making.
TEST_F(CdLayer, AFullDiskLeavesNoFile) {
    const std::string out = dir / "full.wav";
    EXPECT_EQ(RunInChild([&] { return CDtoWAV("/dev/sr0/Track02.cda", out.c_str(), 0, nullptr); },
                         {0, false}),
              0);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
}

TEST_F(CdLayer, StoppingAtTheFirstSectorKeepsOneSector) {
    ExpectSectors(Rip("/dev/sr0/Track03.cda", [](int32_t p) { return p >= 0 ? 1 : 0; }),
                  drive->TrackStart(3), 1);
}

TEST_F(CdLayer, AFailingSectorEndsTheRipWithWhatWasRead) {
    drive->FailSector(drive->TrackStart(3) + 100);
    ExpectSectors(Rip("/dev/sr0/Track03.cda"), drive->TrackStart(3), 100);
    drive->FailSector(drive->TrackStart(3));
    EXPECT_EQ(Rip("/dev/sr0/Track03.cda").size(), 44u);
}

TEST_F(CdLayer, AMediaChangeIsSurvivedByOneRetry) {
    const int opensBefore = drive->opens;
    drive->ReportMediaChangeOnce();
    ExpectSectors(Rip("/dev/sr0/Track02.cda"), drive->TrackStart(2), 152);
    EXPECT_EQ(drive->unitAttentions, 1);
    EXPECT_GT(drive->opens, opensBefore + 1);  // closed, probed again and reopened
}

TEST_F(CdLayer, PathsOffTheDiscGiveAHeaderOnlyFileAtOnce) {
    for (const char* path :
         {"/dev/sr1/Track03.cda", "/dev/SR0/Track03.cda", "/dev/sr0/Track13.cda",
          "/dev/sr0/Track00.cda", "/dev/sr0/TrackXY.cda", "/home/Track03.cda", "x"}) {
        const Bytes wav = Rip(path);
        ASSERT_EQ(wav.size(), 44u) << path;
        EXPECT_EQ(Le32At(wav, 40), 0u);
        EXPECT_EQ(Le32At(wav, 4), 36u);
    }
    EXPECT_EQ(drive->readCommands, 0);
    EXPECT_EQ(CDtoWAV("/dev/sr0/Track03.cda", (dir / "missing/x.wav").c_str(), 0, nullptr), 0);
}

TEST_F(CdLayer, NoDiscLeavesTheTrackTableEmptyAndInquiryIsCached) {
    DiscImage disc = TwelveTracks();
    Install(disc);
    drive->SetDiscPresent(false);
    InitCdLayer();
    EXPECT_EQ(GetTrackTable(0).lastTrack, 0);
    EXPECT_EQ(Rip("/dev/sr0/Track01.cda").size(), 44u);
    uint8_t data[100] = {};
    EXPECT_EQ(InquireCdDevice(0, data), SS_COMP);  // answered with the tray open
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 8, 8), "SIMULATE");
    EXPECT_EQ(ReadCdSector(0, 0, 1, data), SS_ERR);
}

std::vector<std::string> g_files;
std::vector<int> g_matches;

int32_t Collect(const char* path, const char* folder, const char* name, int32_t matches) {
    g_files.push_back(std::string(folder) + "|" + name + "|" + path);
    g_matches.push_back(matches);
    return 0;
}

TEST_F(CdLayer, DriveRootsListTheirAudioTracksAsFiles) {
    DiscImage disc = TwelveTracks();
    disc.dataTracks = {12};
    Install(disc);
    for (const char* root : {"/dev/sr0", "/dev/sr0/"}) {
        g_files.clear();
        g_matches.clear();
        EXPECT_EQ(SearchFiles(root, "WAV,MP3,WMA,CDA,", Collect, 0), 1);
        ASSERT_EQ(g_files.size(), 11u);
        EXPECT_EQ(g_files[0], "/dev/sr0/|Track01.cda|/dev/sr0/Track01.cda");
        EXPECT_EQ(g_files[10], "/dev/sr0/|Track11.cda|/dev/sr0/Track11.cda");
        EXPECT_TRUE(std::all_of(g_matches.begin(), g_matches.end(), [](int m) { return m == 1; }));
    }
    g_matches.clear();
    SearchFiles("/dev/sr0", "WAV,", Collect, 0);
    EXPECT_TRUE(std::all_of(g_matches.begin(), g_matches.end(), [](int m) { return m == 0; }));

    g_files.clear();
    EXPECT_EQ(SearchCDTracks(Collect), 11);
    EXPECT_EQ(g_files[2], "/dev/sr0/|Track03.cda|/dev/sr0/Track03.cda");
}

TEST(CdWithoutDrives, EverythingFailsAtOnce) {
    InstallTransport(std::make_unique<NoDrives>());
    InitCdLayer();
    EXPECT_EQ(AccessMode(), CdAccessMode::None);
    EXPECT_EQ(GetCdSupportInfo(), 0u);
    EXPECT_EQ(CdDeviceCount(), 0);
    EXPECT_EQ(StartCdUnit(0), SS_ERR);
    TempDir dir;
    EXPECT_NE(CDtoWAV("/dev/sr0/Track01.cda", (dir / "a.wav").c_str(), 0, nullptr), 0);
    EXPECT_EQ(ReadFile(dir / "a.wav").size(), 44u);
    EXPECT_EQ(SearchCDTracks(Collect), 0);
}

}  // namespace

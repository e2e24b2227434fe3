// A CD drive simulated at the ioctl level, for tests: it answers INQUIRY,
// READ TOC (format 0, MSF), START STOP UNIT and READ CD (2352-byte sectors)
// from a disc image, and can fail a sector, report a media change once, or
// have no disc. Built into the tests only; the library's exports cannot reach it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <scsi/sg.h>

#include "cd/scsi_transport.h"

namespace tonekit::cd {

struct DiscImage {
    std::vector<uint32_t> trackLengths;  // sectors of the tracks, first to last
    std::set<int> dataTracks;            // track numbers holding data, not audio
    int firstTrack = 1;                  // the number of the first track
    uint32_t firstLba = 0;               // where the first track starts (after a pre-gap)
};

class SimulatedDrive final : public ScsiTransport {
  public:
    explicit SimulatedDrive(DiscImage disc, uint8_t adapter = 0)
        : disc_(std::move(disc)), adapter_(adapter) {}

    // The byte at `offset` of the sector at logical block `lba`.
    static uint8_t SampleByte(uint32_t lba, uint32_t offset);
    // Logical block address of a track's first sector (by track number).
    uint32_t TrackStart(int track) const;

    void FailSector(uint32_t lba) { failingSector_ = lba; }
    void ReportMediaChangeOnce() { mediaChangePending_ = true; }
    void SetDiscPresent(bool present) { discPresent_ = present; }
    // READ CD delivers this many bytes fewer than asked for, with good status.
    void ShortenReads(uint32_t bytes) { shortReads_ = bytes; }

    int readCommands = 0;  // READ CD commands received
    int opens = 0;

    std::vector<std::string> DriveNodes() const override { return {"/dev/sr0"}; }
    int Open(const std::string& node) override;
    int Ioctl(int handle, unsigned long request, void* argument) override;
    void Close(int) override {}

  private:
    struct Reply;
    void Answer(const uint8_t* cdb, Reply& reply);
    void Toc(Reply& reply) const;

    DiscImage disc_;
    uint8_t adapter_;
    bool discPresent_ = true;
    bool mediaChangePending_ = false;
    int64_t failingSector_ = -1;
    uint32_t shortReads_ = 0;
};

// Fills `io` as the kernel does: `length` bytes of `reply` as the data read,
// or, with `check`, as the sense data of a CHECK CONDITION.
void AnswerSgIo(sg_io_hdr_t& io, const uint8_t* reply, size_t length, bool check);

// A machine without optical drives.
class NoDrives final : public ScsiTransport {
  public:
    std::vector<std::string> DriveNodes() const override { return {}; }
    int Open(const std::string&) override { return -1; }
    int Ioctl(int, unsigned long, void*) override { return -1; }
    void Close(int) override {}
};

}  // namespace tonekit::cd

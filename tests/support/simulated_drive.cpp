#include "simulated_drive.h"

#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cstring>

namespace tonekit::cd {

namespace {
constexpr uint32_t kSectorBytes = 2352;
constexpr int kHandle = 7;
}  // namespace

struct SimulatedDrive::Reply {
    std::vector<uint8_t> data;
    uint8_t senseKey = 0, asc = 0;
};

uint8_t SimulatedDrive::SampleByte(uint32_t lba, uint32_t offset) {
    return static_cast<uint8_t>(lba * 31 + offset * 7 + (offset >> 8) + (lba >> 8));
}

uint32_t SimulatedDrive::TrackStart(int track) const {
    uint32_t lba = disc_.firstLba;
    for (int t = disc_.firstTrack; t < track; ++t)
        lba += disc_.trackLengths[static_cast<size_t>(t - disc_.firstTrack)];
    return lba;
}

int SimulatedDrive::Open(const std::string& node) {
    if (node != "/dev/sr0") return -1;
    ++opens;
    return kHandle;
}

void SimulatedDrive::Toc(Reply& reply) const {
    const int first = disc_.firstTrack;
    const int last = first + static_cast<int>(disc_.trackLengths.size()) - 1;
    auto descriptor = [&](int number, uint8_t control, uint32_t lba) {
        const uint32_t msf = lba + 150;
        reply.data.insert(reply.data.end(),
                          {0, static_cast<uint8_t>(0x10 | control), static_cast<uint8_t>(number), 0,
                           0, static_cast<uint8_t>(msf / 4500), static_cast<uint8_t>(msf / 75 % 60),
                           static_cast<uint8_t>(msf % 75)});
    };
    const uint16_t length = static_cast<uint16_t>(2 + 8 * (last - first + 2));
    reply.data = {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length),
                  static_cast<uint8_t>(first), static_cast<uint8_t>(last)};
    for (int t = first; t <= last; ++t)
        descriptor(t, disc_.dataTracks.count(t) ? 0x04 : 0x00, TrackStart(t));
    descriptor(0xAA, 0, TrackStart(last + 1));
}

void SimulatedDrive::Answer(const uint8_t* cdb, Reply& reply) {
    auto fail = [&](uint8_t key, uint8_t asc) {
        reply.senseKey = key;
        reply.asc = asc;
    };
    if (cdb[0] == 0x12) {  // INQUIRY
        reply.data.assign(36, 0);
        reply.data[0] = 5;
        std::memcpy(&reply.data[8], "SIMULATECD-ROM DRIVE    1.00", 28);
        return;
    }
    if (mediaChangePending_) {
        mediaChangePending_ = false;
        return fail(6, 0x28);
    }
    if (!discPresent_ && cdb[0] != 0x1B) return fail(2, 0x3A);
    switch (cdb[0]) {
        case 0x1B:
            return;  // START STOP UNIT
        case 0x43:
            if ((cdb[1] & 0x02) == 0 || cdb[2] != 0) return fail(5, 0x24);
            return Toc(reply);
        case 0xBE: {
            ++readCommands;
            const uint32_t lba =
                static_cast<uint32_t>(cdb[2] << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5]);
            const uint32_t count = static_cast<uint32_t>(cdb[6] << 16 | cdb[7] << 8 | cdb[8]);
            const uint32_t leadOut =
                TrackStart(disc_.firstTrack + static_cast<int>(disc_.trackLengths.size()));
            if (lba + count > leadOut) return fail(5, 0x21);
            if (failingSector_ >= lba && failingSector_ < lba + count) return fail(3, 0x11);
            for (uint32_t s = 0; s < count; ++s)
                for (uint32_t i = 0; i < kSectorBytes; ++i)
                    reply.data.push_back(SampleByte(lba + s, i));
            return;
        }
        default:
            return fail(5, 0x20);
    }
}

int SimulatedDrive::Ioctl(int handle, unsigned long request, void* argument) {
    if (handle != kHandle) return -1;
    if (request == SCSI_IOCTL_GET_IDLUN) {
        static_cast<int*>(argument)[0] = adapter_ << 24;
        return 0;
    }
    if (request != SG_IO) return -1;
    auto& io = *static_cast<sg_io_hdr_t*>(argument);
    if (io.interface_id != 'S') return -1;
    Reply reply;
    Answer(io.cmdp, reply);
    if (reply.senseKey) {
        const uint8_t sense[18] = {0x70, 0, reply.senseKey, 0, 0, 0, 0, 10, 0, 0, 0, 0, reply.asc};
        AnswerSgIo(io, sense, sizeof sense, true);
        return 0;
    }
    if (io.cmdp[0] == 0xBE && shortReads_)
        reply.data.resize(reply.data.size() > shortReads_ ? reply.data.size() - shortReads_ : 0);
    AnswerSgIo(io, reply.data.data(), reply.data.size(), false);
    return 0;
}

void AnswerSgIo(sg_io_hdr_t& io, const uint8_t* reply, size_t length, bool check) {
    io.status = check ? 0x02 : 0;
    io.masked_status = check ? CHECK_CONDITION : 0;
    io.host_status = io.driver_status = 0;
    io.info = check ? SG_INFO_CHECK : SG_INFO_OK;
    io.sb_len_wr = check ? static_cast<unsigned char>(std::min<size_t>(length, io.mx_sb_len)) : 0;
    if (io.sb_len_wr) std::memcpy(io.sbp, reply, io.sb_len_wr);
    const size_t n = check ? 0 : std::min<size_t>(length, io.dxfer_len);
    if (n) std::memcpy(io.dxferp, reply, n);
    io.resid = static_cast<int>(io.dxfer_len - n);
}

}  // namespace tonekit::cd

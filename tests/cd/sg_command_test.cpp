// The checks SendSg makes of an SG_IO reply, with the kernel's side scripted:
// status, host and driver status, sense formats and short transfers.
#include <gtest/gtest.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <cstring>
#include <functional>

#include "cd/sg_command.h"

using namespace tonekit::cd;

namespace {

// A transport whose SG_IO reply is written by the test.
class ScriptedTransport final : public ScsiTransport {
  public:
    std::function<int(sg_io_hdr_t&)> reply;
    sg_io_hdr_t seen{};
    std::vector<std::string> DriveNodes() const override { return {}; }
    int Open(const std::string&) override { return 1; }
    int Ioctl(int, unsigned long, void* argument) override {
        seen = *static_cast<sg_io_hdr_t*>(argument);
        return reply(*static_cast<sg_io_hdr_t*>(argument));
    }
    void Close(int) override {}
};

SgOutcome Send(ScriptedTransport& t, DataDirection direction = DataDirection::In) {
    const uint8_t cdb[12] = {0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF8, 0, 0};
    uint8_t buffer[2352];
    return SendSg(t, 1, cdb, 12, direction, buffer, sizeof buffer, 5000);
}

// A reply: an ioctl result, or the fields the kernel sets, with sense data.
struct Reply {
    int ioctl;
    uint8_t masked, host, driver;
    std::vector<uint8_t> sense;
    int resid;
    bool ok;
    uint8_t senseKey, asc;
};

TEST(SgCommand, RepliesAreJudgedByEveryStatusAndSense) {
    const std::vector<uint8_t> fixedSense = {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28};
    const Reply replies[] = {
        {0, GOOD, 0, 0, {}, 0, true, 0, 0},
        {-1, GOOD, 0, 0, {}, 0, false, 0, 0},
        {0, GOOD, 0x03, 0, {}, 0, false, 0, 0},  // time-out
        {0, GOOD, 0, 0x08, {}, 0, false, 0, 0},
        {0, BUSY, 0, 0, {}, 0, false, 0, 0},
        {0, CHECK_CONDITION, 0, 0, fixedSense, 0, false, kSenseUnitAttention, 0x28},
        {0, CHECK_CONDITION, 0, 0, {0x72, 0x03, 0x11, 0x00}, 0, false, kSenseMediumError, 0x11},
        {0, GOOD, 0, 0, {}, 352, true, 0, 0},  // a short transfer is still a good status
    };
    ScriptedTransport t;
    for (const Reply& r : replies) {
        t.reply = [&r](sg_io_hdr_t& io) {
            io.masked_status = r.masked;
            io.host_status = r.host;
            io.driver_status = r.driver;
            io.info = r.masked || r.host || r.driver ? SG_INFO_CHECK : SG_INFO_OK;
            if (!r.sense.empty()) std::memcpy(io.sbp, r.sense.data(), r.sense.size());
            io.sb_len_wr = static_cast<uint8_t>(r.sense.size());
            io.resid = r.resid;
            return r.ioctl;
        };
        const SgOutcome o = Send(t);
        EXPECT_EQ(o.ok, r.ok);
        EXPECT_EQ(o.senseKey, r.senseKey);
        EXPECT_EQ(o.asc, r.asc);
        EXPECT_EQ(o.residual, r.ioctl == 0 ? r.resid : 0);
    }
    EXPECT_EQ(t.seen.cmdp[0], 0xBE);
    EXPECT_EQ(t.seen.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(t.seen.dxfer_len, 2352u);
    EXPECT_GE(t.seen.mx_sb_len, 18);
    Send(t, DataDirection::Out);
    EXPECT_EQ(t.seen.dxfer_direction, SG_DXFER_TO_DEV);
}

}  // namespace

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
    int Ioctl(int, unsigned long request, void* argument) override {
        if (request != SG_IO) return -1;
        auto& io = *static_cast<sg_io_hdr_t*>(argument);
        seen = io;
        return reply(io);
    }
    void Close(int) override {}
};

SgOutcome Send(ScriptedTransport& t, DataDirection direction = DataDirection::In) {
    const uint8_t cdb[12] = {0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF8, 0, 0};
    uint8_t buffer[2352];
    return SendSg(t, 1, cdb, 12, direction, buffer, sizeof buffer, 5000);
}

TEST(SgCommand, FillsTheRequestAsTheKernelExpectsIt) {
    ScriptedTransport t;
    t.reply = [](sg_io_hdr_t&) { return 0; };
    EXPECT_TRUE(Send(t).ok);
    EXPECT_EQ(t.seen.interface_id, 'S');
    EXPECT_EQ(t.seen.cmd_len, 12);
    EXPECT_EQ(t.seen.cmdp[0], 0xBE);
    EXPECT_EQ(t.seen.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(t.seen.dxfer_len, 2352u);
    EXPECT_EQ(t.seen.timeout, 5000u);
    EXPECT_GE(t.seen.mx_sb_len, 18);
    Send(t, DataDirection::Out);
    EXPECT_EQ(t.seen.dxfer_direction, SG_DXFER_TO_DEV);
    Send(t, DataDirection::None);
    EXPECT_EQ(t.seen.dxfer_direction, SG_DXFER_NONE);
}

TEST(SgCommand, AnyErrorIsAFailure) {
    ScriptedTransport t;
    t.reply = [](sg_io_hdr_t&) { return -1; };
    EXPECT_FALSE(Send(t).ok);
    t.reply = [](sg_io_hdr_t& io) {
        io.host_status = 0x03;
        io.info = SG_INFO_CHECK;
        return 0;
    };  // time-out
    EXPECT_FALSE(Send(t).ok);
    t.reply = [](sg_io_hdr_t& io) {
        io.driver_status = 0x08;
        io.info = SG_INFO_CHECK;
        return 0;
    };
    EXPECT_FALSE(Send(t).ok);
    t.reply = [](sg_io_hdr_t& io) {
        io.masked_status = BUSY;
        io.info = SG_INFO_CHECK;
        return 0;
    };
    EXPECT_FALSE(Send(t).ok);
}

TEST(SgCommand, SenseDataInBothFormatsAndShortTransfers) {
    ScriptedTransport t;
    t.reply = [](sg_io_hdr_t& io) {
        const uint8_t fixed[18] = {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28};
        std::memcpy(io.sbp, fixed, sizeof fixed);
        io.sb_len_wr = sizeof fixed;
        io.masked_status = CHECK_CONDITION;
        io.info = SG_INFO_CHECK;
        return 0;
    };
    SgOutcome o = Send(t);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.senseKey, kSenseUnitAttention);
    EXPECT_EQ(o.asc, 0x28);

    t.reply = [](sg_io_hdr_t& io) {
        const uint8_t descriptor[8] = {0x72, 0x03, 0x11, 0x00};
        std::memcpy(io.sbp, descriptor, sizeof descriptor);
        io.sb_len_wr = sizeof descriptor;
        io.masked_status = CHECK_CONDITION;
        io.info = SG_INFO_CHECK;
        return 0;
    };
    o = Send(t);
    EXPECT_EQ(o.senseKey, kSenseMediumError);
    EXPECT_EQ(o.asc, 0x11);

    t.reply = [](sg_io_hdr_t& io) {
        io.resid = 352;
        return 0;
    };
    o = Send(t);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.residual, 352);
}

}  // namespace

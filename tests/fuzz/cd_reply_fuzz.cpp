// Feeds arbitrary drive replies to the CD layer: every ioctl of the probe, the
// bus scan, READ TOC and READ CD takes its answer (data, or sense data with a
// CHECK CONDITION, or an ioctl failure) from the input, through the same
// transport interface the kernel's SG_IO stands behind.
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "cd/cd_layer.h"
#include "simulated_drive.h"
#include "test_seams.h"
#include "tonekit.h"

namespace {

// Each reply: a flags byte (1 = check condition, 2 = ioctl fails), a length
// byte scaled by 16, then that many bytes of data or sense.
class ScriptedDrive final : public tonekit::cd::ScsiTransport {
  public:
    ScriptedDrive(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    std::vector<std::string> DriveNodes() const override { return {"/dev/sr0"}; }
    int Open(const std::string&) override { return 3; }
    void Close(int) override {}
    int Ioctl(int, unsigned long request, void* argument) override {
        if (end_ - at_ < 2) return -1;
        const uint8_t flags = at_[0];
        const size_t wanted = size_t{at_[1]} * 16;
        at_ += 2;
        const size_t length = std::min<size_t>(wanted, static_cast<size_t>(end_ - at_));
        const uint8_t* reply = at_;
        at_ += length;
        if (flags & 2) return -1;
        if (request == SCSI_IOCTL_GET_IDLUN) {
            int* idlun = static_cast<int*>(argument);
            idlun[0] = length ? reply[0] : 0;
            return 0;
        }
        tonekit::cd::AnswerSgIo(*static_cast<sg_io_hdr_t*>(argument), reply, length, flags & 1);
        return 0;
    }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
};

int32_t Ignore(const char*, const char*, const char*, int32_t) {
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tonekit::cd;
    InstallTransport(std::make_unique<ScriptedDrive>(data, size));
    InitCdLayer();
    SearchCDTracks(Ignore);
    SearchFiles("/dev/sr0/", "CDA,", Ignore, 0);
    char out[] = "/tmp/cd_reply_fuzz_XXXXXX";
    const int fd = mkstemp(out);
    if (fd >= 0) {
        close(fd);
        CDtoWAV("/dev/sr0/Track01.cda", out, 1, nullptr);
        unlink(out);
    }
    InstallTransport(std::make_unique<NoDrives>());
    InitCdLayer();
    return 0;
}

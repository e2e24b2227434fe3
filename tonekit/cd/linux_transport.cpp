// ScsiTransport over the kernel: /dev/srN nodes, open(2) and ioctl(2).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cd/scsi_transport.h"

namespace tonekit::cd {
namespace {

constexpr int kMaxDriveNodes = 8;

class LinuxTransport final : public ScsiTransport {
  public:
    std::vector<std::string> DriveNodes() const override {
        std::vector<std::string> nodes;
        for (int i = 0; i < kMaxDriveNodes; ++i) {
            const std::string node = "/dev/sr" + std::to_string(i);
            struct stat st;
            if (stat(node.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) nodes.push_back(node);
        }
        return nodes;
    }
    int Open(const std::string& node) override {
        return ::open(node.c_str(), O_RDONLY | O_NONBLOCK);
    }
    int Ioctl(int handle, unsigned long request, void* argument) override {
        return ::ioctl(handle, request, argument);
    }
    void Close(int handle) override { ::close(handle); }
};

}  // namespace

std::unique_ptr<ScsiTransport> MakeLinuxTransport() {
    return std::make_unique<LinuxTransport>();
}

}  // namespace tonekit::cd

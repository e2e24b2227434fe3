// The operating-system side of CD access: the optical drive nodes and the
// ioctls sent to them. Linux SG_IO in the product; a simulated drive in tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tonekit::cd {

class ScsiTransport {
  public:
    virtual ~ScsiTransport() = default;
    // The optical drive nodes present, in name order (/dev/sr0 ... /dev/sr7).
    virtual std::vector<std::string> DriveNodes() const = 0;
    // Opens a node read-only and non-blocking; -1 on failure.
    virtual int Open(const std::string& node) = 0;
    // The ioctl itself (SG_IO, SCSI_IOCTL_GET_IDLUN); -1 with errno on failure.
    virtual int Ioctl(int handle, unsigned long request, void* argument) = 0;
    virtual void Close(int handle) = 0;
};

std::unique_ptr<ScsiTransport> MakeLinuxTransport();

}  // namespace tonekit::cd

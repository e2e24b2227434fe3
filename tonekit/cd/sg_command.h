// One SCSI command through the SG_IO ioctl, with its outcome checked: the
// ioctl's result, the SCSI status, the host and driver status, the sense data
// and short transfers.
#pragma once

#include <cstdint>

#include "cd/scsi_transport.h"

namespace tonekit::cd {

enum class DataDirection { None, In, Out };

struct SgOutcome {
    bool ok = false;       // completed with good status, no host/driver error
    int residual = 0;      // bytes of the data buffer not transferred
    uint8_t senseKey = 0;  // 0 when no sense data came back
    uint8_t asc = 0;       // additional sense code
};

inline constexpr uint8_t kSenseNotReady = 0x02;
inline constexpr uint8_t kSenseMediumError = 0x03;
inline constexpr uint8_t kSenseUnitAttention = 0x06;

SgOutcome SendSg(ScsiTransport& transport, int handle, const uint8_t* cdb, uint8_t cdbLength,
                 DataDirection direction, void* buffer, uint32_t bufferLength, uint32_t timeoutMs);

// Adapter (host), target and LUN of an open drive, from SCSI_IOCTL_GET_IDLUN.
struct ScsiAddress {
    uint8_t adapter, target, lun;
};
bool GetScsiAddress(ScsiTransport& transport, int handle, ScsiAddress& address);

}  // namespace tonekit::cd

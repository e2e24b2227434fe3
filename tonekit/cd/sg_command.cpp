#include "cd/sg_command.h"

#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <cstring>

namespace tonekit::cd {
namespace {

// Sense key and additional sense code from fixed (0x70/0x71) or descriptor
// (0x72/0x73) format sense data.
void ParseSense(const uint8_t* sense, int length, SgOutcome& outcome) {
    if (length < 3) return;
    const uint8_t format = sense[0] & 0x7F;
    if ((format == 0x70 || format == 0x71) && length >= 3) {
        outcome.senseKey = sense[2] & 0x0F;
        if (length >= 13) outcome.asc = sense[12];
    } else if (format == 0x72 || format == 0x73) {
        outcome.senseKey = sense[1] & 0x0F;
        outcome.asc = sense[2];
    }
}

}  // namespace

SgOutcome SendSg(ScsiTransport& transport, int handle, const uint8_t* cdb, uint8_t cdbLength,
                 DataDirection direction, void* buffer, uint32_t bufferLength, uint32_t timeoutMs) {
    uint8_t command[16] = {};
    std::memcpy(command, cdb, cdbLength > 16 ? 16 : cdbLength);
    uint8_t sense[32] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = cdbLength;
    io.cmdp = command;
    io.dxfer_direction = direction == DataDirection::In    ? SG_DXFER_FROM_DEV
                         : direction == DataDirection::Out ? SG_DXFER_TO_DEV
                                                           : SG_DXFER_NONE;
    io.dxfer_len = buffer ? bufferLength : 0;
    io.dxferp = buffer;
    io.mx_sb_len = sizeof sense;
    io.sbp = sense;
    io.timeout = timeoutMs;
    SgOutcome outcome;
    if (transport.Ioctl(handle, SG_IO, &io) != 0) return outcome;
    const int senseLength =
        io.sb_len_wr < sizeof sense ? io.sb_len_wr : static_cast<int>(sizeof sense);
    if (senseLength > 0) ParseSense(sense, senseLength, outcome);
    outcome.residual = io.resid > 0 ? io.resid : 0;
    outcome.ok = (io.info & SG_INFO_OK_MASK) == SG_INFO_OK && io.masked_status == GOOD &&
                 io.host_status == 0 && io.driver_status == 0;
    return outcome;
}

bool GetScsiAddress(ScsiTransport& transport, int handle, ScsiAddress& address) {
    int idlun[2] = {};
    if (transport.Ioctl(handle, SCSI_IOCTL_GET_IDLUN, idlun) != 0) return false;
    address.target = static_cast<uint8_t>(idlun[0] & 0xFF);
    address.lun = static_cast<uint8_t>((idlun[0] >> 8) & 0xFF);
    address.adapter = static_cast<uint8_t>((idlun[0] >> 24) & 0xFF);
    return true;
}

}  // namespace tonekit::cd

#include "cd/cd_commands.h"

#include <cstring>
#include <initializer_list>

#include "cd/aspi.h"
#include "cd/cd_layer.h"

namespace tonekit::cd {
namespace {

constexpr uint32_t kSectorBytes = 2352;

// Fills and sends one command block. The pass-through completes synchronously,
// so there is never a pending block to wait for.
uint8_t Execute(int device, uint8_t flags, uint8_t* buffer, uint32_t length,
                std::initializer_list<uint8_t> cdb) {
    if (device < 0 || device >= CdDeviceCount()) return SS_ERR;
    const CdDevice& d = GetCdDevice(device);
    SRB_ExecSCSICmd srb{};
    srb.h.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.h.SRB_HaId = d.adapter;
    srb.h.SRB_Flags = flags;
    srb.SRB_Target = d.target;
    srb.SRB_Lun = d.lun;
    srb.SRB_BufLen = length;
    srb.SRB_BufPointer = buffer;
    srb.SRB_SenseLen = 14;
    srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    std::memcpy(srb.CDBByte, cdb.begin(), cdb.size());
    SendCdCommand(&srb);
    return srb.h.SRB_Status;
}

constexpr uint8_t kIn = SRB_DIR_IN | SRB_EVENT_NOTIFY;
constexpr uint8_t kOut = SRB_DIR_OUT | SRB_EVENT_NOTIFY;

}  // namespace

uint8_t ReadCdToc(int device, uint8_t* toc) {
    return Execute(device, kIn, toc, kTocBytes, {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0});
}

uint8_t InquireCdDevice(int device, uint8_t* data) {
    return Execute(device, kIn, data, 100, {0x12, 0, 0, 0, 0x64, 0});
}

uint8_t StartCdUnit(int device) {
    Execute(device, kOut, nullptr, 0, {0x1B, 0, 0, 0, 0x01, 0});
    return Execute(device, kOut, nullptr, 0, {0x1B, 0, 0, 0, 0x01, 0});
}

uint8_t ReadCdSector(int device, uint32_t address, uint8_t count, uint8_t* buffer) {
    return Execute(
        device, kIn, buffer, count * kSectorBytes,
        {0xBE, 0, 0, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
         static_cast<uint8_t>(address), 0, 0, count, 0xF8, 0, 0});
}

}  // namespace tonekit::cd

// The CD drive command layer: finds the CD drives, addresses them as SCSI
// devices and sends them command blocks, through the SG_IO pass-through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cd/scsi_transport.h"

namespace tonekit::cd {

enum class CdAccessMode { Aspi = 0, PassThrough = 1, None = 2 };

inline constexpr int kMaxCdDevices = 8;
inline constexpr int kMaxTracks = 99;
inline constexpr int kTocBytes = 804;

struct CdDevice {
    uint8_t adapter, target, lun;
    char identification[29];  // INQUIRY vendor (8), product (16), revision (4)
    std::string root;         // the drive node with a trailing '/': /dev/sr0/
};

struct CdTrackTable {
    uint8_t toc[kTocBytes];
    int32_t firstTrack, lastTrack;  // 0, 0 without a disc
    int32_t start[kMaxTracks + 2];  // start[t] for first..last+1 (lead-out), in MSF frames
};

// Chooses the access mode, scans the drives and reads every disc's TOC. Run
// when the library is attached.
void InitCdLayer();

// Closes the drives and releases the layer (at detach).
void ShutdownCdLayer();

CdAccessMode AccessMode();
uint32_t GetCdSupportInfo();
// Dispatches a request block by its SRB_Cmd; returns its status.
uint8_t SendCdCommand(void* requestBlock);

int CdDeviceCount();
const CdDevice& GetCdDevice(int index);
const CdTrackTable& GetTrackTable(int index);
// The CD device index whose root is `folder` (given with its trailing '/'), or -1.
int FindCdDevice(const std::string& folder);

}  // namespace tonekit::cd

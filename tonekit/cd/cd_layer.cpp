#include "cd/cd_layer.h"
#include "test_seams.h"

#include <algorithm>
#include <cstring>

#include "cd/aspi.h"
#include "cd/cd_commands.h"
#include "cd/cd_tracks.h"
#include "cd/sg_command.h"
#include "util/file_search.h"

namespace tonekit::cd {
namespace {

constexpr uint32_t kProbeTimeoutMs = 2000;
constexpr uint32_t kCommandTimeoutMs = 5000;
constexpr int kInquiryBytes = 36;

// A drive node found by the pass-through probe.
struct PassThroughDrive {
    ScsiAddress address{};
    std::string node;
    bool valid = false;
    int handle = -1;  // opened on first use and kept until a media change
    uint8_t inquiry[kInquiryBytes] = {};
};

struct Layer {
    std::unique_ptr<ScsiTransport> transport = MakeLinuxTransport();
    CdAccessMode mode = CdAccessMode::None;
    std::vector<PassThroughDrive> drives;
    uint8_t adapterCount = 0;
    std::vector<CdDevice> devices;
    CdTrackTable tables[kMaxCdDevices + 1] = {};  // one spare, empty, for "no device"

    void CloseHandles() {
        for (auto& d : drives)
            if (d.handle >= 0) transport->Close(d.handle), d.handle = -1;
    }
};

Layer* g_layer = nullptr;  // made at attach (or first use), released at detach

Layer& State() {
    if (!g_layer) g_layer = new Layer;
    return *g_layer;
}

// INQUIRY and SCSI address of one node; the record is valid when both answer.
void ProbeDrive(Layer& layer, PassThroughDrive& drive) {
    drive.valid = false;
    const int handle = layer.transport->Open(drive.node);
    if (handle < 0) return;
    uint8_t data[100] = {};
    const uint8_t inquiry[6] = {0x12, 0, 0, 0, 0x64, 0};
    if (SendSg(*layer.transport, handle, inquiry, 6, DataDirection::In, data, sizeof data,
               kProbeTimeoutMs)
            .ok) {
        std::memcpy(drive.inquiry, data, kInquiryBytes);
        drive.valid = GetScsiAddress(*layer.transport, handle, drive.address);
    }
    layer.transport->Close(handle);
}

// The number of drives that answer; adapters are counted so that every
// adapter id holding a drive lies below the count.
int ProbeDrives(Layer& layer) {
    layer.CloseHandles();
    layer.drives.clear();
    for (const auto& node : layer.transport->DriveNodes()) {
        if (layer.drives.size() == kMaxCdDevices) break;
        PassThroughDrive drive;
        drive.node = node;
        ProbeDrive(layer, drive);
        if (drive.valid) layer.drives.push_back(drive);
    }
    int highest = 0;
    for (const auto& d : layer.drives) highest = std::max<int>(highest, d.address.adapter);
    layer.adapterCount = static_cast<uint8_t>(std::min(highest + 1, 255));
    return static_cast<int>(layer.drives.size());
}

PassThroughDrive* FindDrive(Layer& layer, uint8_t adapter, uint8_t target, uint8_t lun) {
    for (auto& d : layer.drives)
        if (d.valid && d.address.adapter == adapter && d.address.target == target &&
            d.address.lun == lun)
            return &d;
    return nullptr;
}

uint8_t HostAdapterInquiry(Layer& layer, SRB_HAInquiry& srb) {
    srb.HA_Count = layer.adapterCount;
    if (srb.h.SRB_HaId >= layer.adapterCount) return srb.h.SRB_Status = SS_INVALID_HA;
    srb.HA_SCSI_ID = 7;
    std::memcpy(srb.HA_ManagerId, "SVASPI v0.696996", 16);
    std::memcpy(srb.HA_Identifier, "SCSI Adapter    ", 16);
    srb.HA_Identifier[13] = static_cast<char>('0' + srb.h.SRB_HaId % 10);
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = 8;  // targets
    const uint32_t maxTransfer = 65536;
    std::memcpy(srb.HA_Unique + 4, &maxTransfer, 4);
    return srb.h.SRB_Status = SS_COMP;
}

uint8_t GetDeviceType(Layer& layer, SRB_GDEVBlock& srb) {
    const bool found = FindDrive(layer, srb.h.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) != nullptr;
    srb.SRB_DeviceType = found ? kDeviceTypeCdRom : kDeviceTypeUnknown;
    return srb.h.SRB_Status = found ? SS_COMP : SS_NO_DEVICE;
}

uint8_t ExecuteCommand(Layer& layer, SRB_ExecSCSICmd& srb) {
    PassThroughDrive* drive = FindDrive(layer, srb.h.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!drive) return srb.h.SRB_Status = SS_ERR;
    if (srb.CDBByte[0] == 0x12) {  // INQUIRY: answered from the probe, the tray may be open
        if (srb.SRB_BufPointer)
            std::memcpy(srb.SRB_BufPointer, drive->inquiry,
                        std::min<uint32_t>(srb.SRB_BufLen, kInquiryBytes));
        return srb.h.SRB_Status = SS_COMP;
    }
    const DataDirection direction = (srb.h.SRB_Flags & SRB_DIR_IN)    ? DataDirection::In
                                    : (srb.h.SRB_Flags & SRB_DIR_OUT) ? DataDirection::Out
                                                                      : DataDirection::None;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (drive->handle < 0) drive->handle = layer.transport->Open(drive->node);
        if (drive->handle < 0) break;
        const SgOutcome outcome =
            SendSg(*layer.transport, drive->handle, srb.CDBByte, srb.SRB_CDBLen, direction,
                   srb.SRB_BufPointer, srb.SRB_BufLen, kCommandTimeoutMs);
        // A READ CD that delivered fewer bytes than asked for has not read its sectors.
        const bool complete = srb.CDBByte[0] != 0xBE || outcome.residual == 0;
        if (outcome.ok && complete) return srb.h.SRB_Status = SS_COMP;
        if (outcome.senseKey != kSenseUnitAttention || attempt > 0) break;
        // The medium changed: reopen the drive, refresh its record, try once more.
        layer.transport->Close(drive->handle);
        drive->handle = -1;
        ProbeDrive(layer, *drive);
        if (!drive->valid) break;
    }
    srb.SRB_TargStat = 4;
    return srb.h.SRB_Status = SS_ERR;
}

void ScanBus(Layer& layer) {
    layer.devices.clear();
    const uint8_t adapters = static_cast<uint8_t>(GetCdSupportInfo() & 0xFF);
    for (uint8_t ha = 0; ha < adapters; ++ha) {
        SRB_HAInquiry inquiry{};
        inquiry.h.SRB_Cmd = SC_HA_INQUIRY;
        inquiry.h.SRB_HaId = ha;
        SendCdCommand(&inquiry);
        int targets = inquiry.HA_Unique[3];
        if (targets == 0 || targets > 8) targets = 8;
        for (uint8_t target = 0; target < targets; ++target) {
            for (uint8_t lun = 0; lun < 8; ++lun) {
                SRB_GDEVBlock type{};
                type.h.SRB_Cmd = SC_GET_DEV_TYPE;
                type.h.SRB_HaId = ha;
                type.SRB_Target = target;
                type.SRB_Lun = lun;
                if (SendCdCommand(&type) != SS_COMP || type.SRB_DeviceType != kDeviceTypeCdRom)
                    continue;
                if (layer.devices.size() == kMaxCdDevices) return;
                CdDevice device{ha, target, lun, {}, {}};
                // Each device is paired with its drive node by address.
                device.root = FindDrive(layer, ha, target, lun)->node + "/";
                layer.devices.push_back(device);
                uint8_t data[100] = {};
                InquireCdDevice(static_cast<int>(layer.devices.size() - 1), data);
                std::memcpy(layer.devices.back().identification, data + 8, 28);
            }
        }
    }
}

// Track starts from the TOC: (minute * 60 + second) * 75 + frame of each
// descriptor, the lead-out after the last track.
void FillTrackTable(CdTrackTable& table) {
    const int first = table.toc[2], last = table.toc[3];
    const int tocLength = std::min(kTocBytes, 2 + (table.toc[0] << 8 | table.toc[1]));
    if (first < 1 || last < first || last > kMaxTracks) return;
    for (int t = first; t <= last + 1; ++t) {
        const int at = 4 + 8 * (t - first);
        if (at + 8 > tocLength) return;
        table.start[t] = (table.toc[at + 5] * 60 + table.toc[at + 6]) * 75 + table.toc[at + 7];
    }
    table.firstTrack = first;
    table.lastTrack = last;
}

void ReadTrackTables(Layer& layer) {
    for (auto& table : layer.tables) table = CdTrackTable{};
    for (int i = 0; i < CdDeviceCount(); ++i) {
        if (ReadCdToc(i, layer.tables[i].toc) == SS_COMP) FillTrackTable(layer.tables[i]);
    }
}

}  // namespace

void InitCdLayer() {
    Layer& layer = State();
    // Without any drive that answers there is no access: nothing is shown, and
    // every command fails at once.
    layer.mode = ProbeDrives(layer) > 0 ? CdAccessMode::PassThrough : CdAccessMode::None;
    ScanBus(layer);
    ReadTrackTables(layer);
    util::SetVirtualFolderLister(ListDriveRoot);
}

void ShutdownCdLayer() {
    if (!g_layer) return;
    g_layer->CloseHandles();
    util::SetVirtualFolderLister(nullptr);
    delete g_layer;
    g_layer = nullptr;
}

CdAccessMode AccessMode() {
    return State().mode;
}

uint32_t GetCdSupportInfo() {
    const Layer& layer = State();
    if (layer.mode != CdAccessMode::PassThrough) return 0;
    if (layer.adapterCount == 0) return uint32_t{SS_NO_ADAPTERS} << 8;
    return uint32_t{SS_COMP} << 8 | layer.adapterCount;
}

uint8_t SendCdCommand(void* requestBlock) {
    if (!requestBlock) return SS_ERR;
    Layer& layer = State();
    auto* header = static_cast<SRB_Header*>(requestBlock);
    if (layer.mode != CdAccessMode::PassThrough) return header->SRB_Status = SS_ERR;
    switch (header->SRB_Cmd) {
        case SC_HA_INQUIRY:
            return HostAdapterInquiry(layer, *static_cast<SRB_HAInquiry*>(requestBlock));
        case SC_GET_DEV_TYPE:
            return GetDeviceType(layer, *static_cast<SRB_GDEVBlock*>(requestBlock));
        case SC_EXEC_SCSI_CMD:
            return ExecuteCommand(layer, *static_cast<SRB_ExecSCSICmd*>(requestBlock));
        default:
            return header->SRB_Status = SS_ERR;
    }
}

int CdDeviceCount() {
    return static_cast<int>(State().devices.size());
}

const CdDevice& GetCdDevice(int index) {
    return State().devices.at(static_cast<size_t>(index));
}

const CdTrackTable& GetTrackTable(int index) {
    Layer& layer = State();
    const bool known = index >= 0 && index < CdDeviceCount();
    return layer.tables[known ? index : kMaxCdDevices];
}

int FindCdDevice(const std::string& folder) {
    for (int i = 0; i < CdDeviceCount(); ++i)
        if (GetCdDevice(i).root == folder) return i;
    return -1;
}

void InstallTransport(std::unique_ptr<ScsiTransport> transport) {
    Layer& layer = State();
    layer.CloseHandles();
    layer.transport = transport ? std::move(transport) : MakeLinuxTransport();
}

}  // namespace tonekit::cd

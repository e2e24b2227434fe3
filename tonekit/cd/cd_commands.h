// The command helpers: one SRB_ExecSCSICmd each, for a CD device index.
#pragma once

#include <cstdint>

namespace tonekit::cd {

// READ TOC (format 0, MSF) into an 804-byte buffer.
uint8_t ReadCdToc(int device, uint8_t* toc);
// INQUIRY into a 100-byte buffer.
uint8_t InquireCdDevice(int device, uint8_t* data);
// START STOP UNIT (start), sent twice as the drive may need waking first.
uint8_t StartCdUnit(int device);
// READ CD of `count` whole 2352-byte sectors from logical block `address`.
uint8_t ReadCdSector(int device, uint32_t address, uint8_t count, uint8_t* buffer);

}  // namespace tonekit::cd

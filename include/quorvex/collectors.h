// What the run sequence calls, in the order it calls it: the NVIDIA phase,
// one drive identity query per drive number, the SMBIOS phase. The two phases
// print their own lines and return normally whatever the machine answers; the
// drive query prints nothing.
#pragma once

#include <cstdint>
#include <string>

#include "quorvex/placeholders.h"

namespace quorvex {

void CollectNvidiaGpus();

// Drives 0 to 7 cover the machines this tool is meant for; higher numbers are never asked.
inline constexpr std::int32_t kDriveCount = 8;

struct DriveIdentity {
  std::string serialNumber = kNotRead;
  std::string model = kNotRead;
  std::string firmware = kNotRead;
};

// Asks \\.\PhysicalDrive<driveNumber> for its standard device descriptor.
// Prints nothing and never fails: unread texts come back as kNotRead.
DriveIdentity QueryDriveIdentity(std::int32_t driveNumber);

void DumpSmbios();

}  // namespace quorvex

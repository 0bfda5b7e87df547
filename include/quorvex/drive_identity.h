// What the drive phase learns of one physical drive.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex {

// Stands for a drive text that could not be read; a text that was read and is
// empty stays empty.
inline constexpr const char* kNotRead = "N/A";

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

}  // namespace quorvex

// What the drive phase learns of one physical drive.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex {

// Stands for a drive text that could not be read; a text that was read and is
// empty stays empty.
inline constexpr const char* kNotRead = "N/A";

struct DriveIdentity {
  std::string serialNumber = kNotRead;
  std::string model = kNotRead;
  std::string firmware = kNotRead;
};

// Asks \\.\PhysicalDrive<driveNumber> for its standard device descriptor.
// Prints nothing and never fails: unread texts come back as kNotRead.
DriveIdentity QueryDriveIdentity(std::int32_t driveNumber);

}  // namespace quorvex

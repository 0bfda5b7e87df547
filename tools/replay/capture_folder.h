// A capture folder holds what one machine answered, one file per answer, so
// that its report can be replayed on any host:
//   PhysicalDriveN.bin    drive N opens and answers these bytes
//   PhysicalDriveN.count  the byte count it reports (default: the .bin's size)
//   PhysicalDriveN.fail   drive N opens and the request fails
//   smbios.bin            what GetSystemFirmwareTable('RSMB', 0) returns
//   smbios_entry_point + DMI   Linux's /sys/firmware/dmi/tables/, in place of smbios.bin
//   smbios.fetch-fails    the fetch fails after a successful size query
//   registry.reg          HKEY_LOCAL_MACHINE keys, as regedit exports them
//   setupapi.fails        the display device set cannot be made
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/standin/machine.h"

namespace quorvex::replay {

// Fills `machine` from the folder. On a folder that cannot be read, or a file
// that is not what its name says, returns a message for the user and leaves
// `machine` in an unspecified state.
std::optional<std::string> LoadCaptureFolder(const std::filesystem::path& folder,
                                             standin::Machine& machine);

// One part of the folder each; same contract as LoadCaptureFolder.
std::optional<std::string> LoadDriveCaptures(const std::filesystem::path& folder,
                                             standin::Machine& machine);
std::optional<std::string> LoadFirmwareCapture(const std::filesystem::path& folder,
                                               standin::Machine& machine);
std::optional<std::string> LoadRegistryCapture(const std::filesystem::path& folder,
                                               standin::Machine& machine);

// No capture file comes near this size: a firmware table, a drive's
// descriptor or a display adapter's registry keys are kilobytes.
inline constexpr std::uintmax_t kMaxCaptureFileBytes = std::uintmax_t{64} << 20;

// Reads a whole capture file into `bytes`, or returns a message naming it.
// A file that is not a regular one once links are followed (a pipe, a
// device, a folder) or that is larger than kMaxCaptureFileBytes is refused
// before a byte of it is read: reading a pipe or a device may never end.
std::optional<std::string> ReadCaptureFile(const std::filesystem::path& file,
                                           standin::Bytes& bytes);

}  // namespace quorvex::replay

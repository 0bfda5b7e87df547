// A capture folder holds what one machine answered, one file per answer, so
// that its report can be replayed on any host. quorvex-capture writes the
// folder and quorvex-replay reads it; both take every name from here.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex::capture_format {

// No capture file comes near this size: a firmware table, a drive's
// descriptor, a display adapter's registry keys or an identities document
// are kilobytes.
inline constexpr std::uintmax_t kMaxCaptureFileBytes = std::uintmax_t{64} << 20;

// Drive N's files, named by DriveFileName(N, suffix):
// the bytes drive N answers when it opens and the request succeeds,
inline constexpr const char* kDriveResponseSuffix = ".bin";
// the byte count it reports (when missing, the response's size),
inline constexpr const char* kDriveCountSuffix = ".count";
// or, alone, that drive N opens and the request fails.
inline constexpr const char* kDriveFailSuffix = ".fail";

inline std::string DriveFileName(std::int32_t number, const char* suffix) {
  return "PhysicalDrive" + std::to_string(number) + suffix;
}

// What GetSystemFirmwareTable('RSMB', 0) returns: the 8-byte header, then the structure table.
inline constexpr const char* kSmbiosTableFile = "smbios.bin";
// In place of the table file, the two files of Linux's /sys/firmware/dmi/tables/;
// the header is then built from the entry point.
inline constexpr const char* kSmbiosEntryPointFile = "smbios_entry_point";
inline constexpr const char* kDmiFile = "DMI";
// Beside either form of the table: the fetch fails after a successful size query.
inline constexpr const char* kSmbiosFetchFailsFile = "smbios.fetch-fails";

// HKEY_LOCAL_MACHINE keys, as regedit exports them.
inline constexpr const char* kRegistryFile = "registry.reg";
// The display device set cannot be made.
inline constexpr const char* kSetupApiFailsFile = "setupapi.fails";

}  // namespace quorvex::capture_format

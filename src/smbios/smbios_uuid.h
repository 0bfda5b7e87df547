// The text of the SMBIOS system UUID.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvex {

using SmbiosUuidBytes = std::array<std::uint8_t, 16>;

// 36 characters, upper-case hexadecimal in the 8-4-4-4-12 grouping. The first
// three groups are stored little-endian and printed most significant byte
// first; the last two are printed as stored. The same for every table
// version, and no value is treated apart.
std::string FormatSmbiosUuid(const SmbiosUuidBytes& bytes);

}  // namespace quorvex

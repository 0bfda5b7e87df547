// The text of the SMBIOS system UUID.
#pragma once

#include <string>

#include "platform/uuid_text.h"

namespace quorvex {

using SmbiosUuidBytes = UuidBytes;

// 36 characters, upper-case hexadecimal in the 8-4-4-4-12 grouping. The first
// three groups are stored little-endian and printed most significant byte
// first; the last two are printed as stored. The same for every table
// version, and no value is treated apart.
std::string FormatSmbiosUuid(const SmbiosUuidBytes& bytes);

}  // namespace quorvex

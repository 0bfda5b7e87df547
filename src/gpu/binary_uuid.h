// The text of a UUID stored as 16 raw bytes in a registry value.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/byte_view.h"
#include "platform/uuid_text.h"

namespace quorvex {

inline constexpr std::size_t kBinaryUuidBytes = kUuidBytes;
using BinaryUuid = UuidBytes;

// The bytes in stored order, two upper-case hex digits each, grouped 8-4-4-4-12.
// Unlike the SMBIOS UUID nothing is swapped: the driver stores the bytes as it shows them.
std::string FormatBinaryUuid(const BinaryUuid& bytes);

// The first 16 bytes of `data`, or nothing when it holds fewer.
std::optional<BinaryUuid> FirstUuidBytes(ByteView data);

}  // namespace quorvex

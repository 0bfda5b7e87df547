// The text of a 16-byte UUID: upper-case hexadecimal, two digits a byte, with
// a leading zero, grouped 8-4-4-4-12. Stores differ only in the byte order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/byte_view.h"
#include "platform/hex_text.h"

namespace quorvex {

inline constexpr std::size_t kUuidBytes = 16;
using UuidBytes = std::array<std::uint8_t, kUuidBytes>;

enum class UuidByteOrder {
  kAsStored,            // every byte printed where it is stored
  kLittleEndianFields,  // the first three groups stored least significant byte first (a GUID)
};

inline std::string FormatUuid(const UuidBytes& bytes, UuidByteOrder order) {
  // Which stored byte each printed pair of digits comes from when the first
  // three groups are little-endian; the last two are printed as stored.
  constexpr std::size_t kLittleEndianFieldsOrder[kUuidBytes] = {3, 2, 1,  0,  5,  4,  7,  6,
                                                                8, 9, 10, 11, 12, 13, 14, 15};
  std::string text;
  text.reserve(2 * kUuidBytes + 4);
  for (std::size_t printed = 0; printed < kUuidBytes; ++printed) {
    // A dash goes before the bytes that start the 2nd to 5th groups.
    if (printed == 4 || printed == 6 || printed == 8 || printed == 10) text.push_back('-');
    const std::uint8_t byte =
        bytes[order == UuidByteOrder::kAsStored ? printed : kLittleEndianFieldsOrder[printed]];
    AppendHexByte(text, byte);
  }
  return text;
}

// The first 16 bytes of `data`, or nothing when it holds fewer.
inline std::optional<UuidBytes> FirstUuidBytes(ByteView data) {
  if (!data.Has(0, kUuidBytes)) return std::nullopt;
  UuidBytes bytes{};
  for (std::size_t i = 0; i < kUuidBytes; ++i) bytes[i] = *data.U8(i);
  return bytes;
}

// A UUID that a driver stored as 16 raw bytes in a registry value: nothing is
// swapped, the driver stores the bytes as it shows them.
inline std::string FormatBinaryUuid(const UuidBytes& bytes) {
  return FormatUuid(bytes, UuidByteOrder::kAsStored);
}

// The SMBIOS system UUID: the first three groups are stored little-endian and
// printed most significant byte first; the last two are printed as stored.
// The same for every table version, and no value is treated apart.
inline std::string FormatSmbiosUuid(const UuidBytes& bytes) {
  return FormatUuid(bytes, UuidByteOrder::kLittleEndianFields);
}

}  // namespace quorvex

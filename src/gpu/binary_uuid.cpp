#include "gpu/binary_uuid.h"

namespace quorvex {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A dash goes before the bytes that start the 2nd to 5th groups of 8-4-4-4-12.
constexpr bool StartsGroup(std::size_t position) {
  return position == 4 || position == 6 || position == 8 || position == 10;
}

}  // namespace

std::string FormatBinaryUuid(const BinaryUuid& bytes) {
  std::string text;
  text.reserve(2 * kBinaryUuidBytes + 4);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (StartsGroup(i)) text.push_back('-');
    text.push_back(kHexDigits[bytes[i] >> 4]);
    text.push_back(kHexDigits[bytes[i] & 0x0F]);
  }
  return text;
}

std::optional<BinaryUuid> FirstUuidBytes(ByteView data) {
  if (!data.Has(0, kBinaryUuidBytes)) return std::nullopt;
  BinaryUuid bytes{};
  for (std::size_t i = 0; i < kBinaryUuidBytes; ++i) bytes[i] = *data.U8(i);
  return bytes;
}

}  // namespace quorvex

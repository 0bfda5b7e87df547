#include "gpu/binary_uuid.h"

namespace quorvex {

std::string FormatBinaryUuid(const BinaryUuid& bytes) {
  return FormatUuid(bytes, UuidByteOrder::kAsStored);
}

std::optional<BinaryUuid> FirstUuidBytes(ByteView data) {
  if (!data.Has(0, kBinaryUuidBytes)) return std::nullopt;
  BinaryUuid bytes{};
  for (std::size_t i = 0; i < kBinaryUuidBytes; ++i) bytes[i] = *data.U8(i);
  return bytes;
}

}  // namespace quorvex

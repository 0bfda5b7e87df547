// One structure of the raw SMBIOS table, as the walk hands it to the decoders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"

namespace quorvex {

// The four bytes every structure starts with: type, formatted length, handle.
inline constexpr std::size_t kSmbiosStructureHeaderBytes = 4;

// A view into the fetched buffer, no copy: from the structure's type byte to
// the NUL pair that ends its string-set (the pair included), or to the end of
// the table data when no pair comes first. Nothing a decoder reads through it
// can lie in the next structure or past the table.
struct SmbiosStructure {
  ByteView bytes;

  std::uint8_t Type() const { return bytes.U8(0).value_or(0); }
  // The size of the formatted area, the four header bytes included.
  std::uint8_t FormattedLength() const { return bytes.U8(1).value_or(0); }
  // Whether the whole formatted area lies inside the view.
  bool FormattedAreaFits() const { return bytes.Has(0, FormattedLength()); }
  // The NUL-terminated texts after the formatted area, up to the view's end.
  ByteView StringSet() const { return bytes.From(FormattedLength()); }
};

}  // namespace quorvex

#include "smbios/smbios_walk.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/system_names.h"
#include "report/report_output.h"
#include "smbios/smbios_decoders.h"
#include "smbios/smbios_structure.h"

namespace quorvex {
namespace {

constexpr std::size_t kTableLengthAt = 4;
constexpr std::uint8_t kEndOfTableType = 127;

// Where the walk ends: the header's length decides, cut at the buffer's end so
// that a header claiming more than was fetched is never read past.
std::size_t WalkEnd(std::uint32_t tableLength, std::size_t bufferSize) {
  const std::uint64_t claimed = std::uint64_t{kSmbiosHeaderBytes} + tableLength;
  return static_cast<std::size_t>(std::min<std::uint64_t>(claimed, bufferSize));
}

// The position of the NUL pair that ends the string-set starting at q. When
// no pair comes before the end of `data`, the position where the search
// stopped: data.size() - 1, or q itself when q already lay at or past it.
std::size_t NulPairAt(ByteView data, std::size_t q) {
  while (q + 1 < data.size() && (data.U8(q) != 0 || data.U8(q + 1) != 0)) ++q;
  return q;
}

}  // namespace

void WalkSmbiosTable(ByteView table) {
  const std::optional<std::uint32_t> tableLength = table.U32(kTableLengthAt);
  if (!tableLength) return;
  ReportSmbiosSize(*tableLength);

  const ByteView data = table.Sub(0, WalkEnd(*tableLength, table.size()));
  std::size_t p = kSmbiosHeaderBytes;
  while (p < data.size()) {
    // The marker ends the table whatever its length, even with no length byte left.
    if (data.U8(p) == kEndOfTableType) {
      ReportSmbiosEndOfTable();
      return;
    }
    // Below 4 the next structure cannot be found; past the end it cannot be read.
    const std::optional<std::uint8_t> length = data.U8(p + 1);
    if (!length || *length < kSmbiosStructureHeaderBytes || !data.Has(p, *length)) return;
    const std::size_t pairAt = NulPairAt(data, p + *length);
    DecodeSmbiosStructure(SmbiosStructure{data.Sub(p, pairAt + 2 - p)});
    p = pairAt + 2;
  }
}

}  // namespace quorvex

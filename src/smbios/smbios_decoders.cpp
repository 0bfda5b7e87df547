#include "smbios/smbios_decoders.h"

#include <algorithm>
#include <cstddef>

#include "platform/uuid_text.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

enum class FieldKind : std::uint8_t { kText, kUuid };

struct DecoderField {
  std::uint8_t offset = 0;
  FieldKind kind = FieldKind::kText;
  const char* label = nullptr;  // nullptr: no further field in this row
  // Older firmware writes shorter structures: a field that came later in the
  // standard is printed only from this formatted length on (0: always).
  std::uint8_t onlyFrom = 0;
};

struct DecoderRow {
  std::uint8_t type;
  std::uint8_t minimumLength;  // a shorter structure prints nothing at all
  std::string_view section;
  std::string_view kind;   // the structure's name in the JSON document
  DecoderField fields[6];  // in printing order
};

constexpr FieldKind kText = FieldKind::kText;
constexpr FieldKind kUuid = FieldKind::kUuid;

// Offsets count from the structure's type byte; a text field holds a string
// number. The labels' mixed spellings are what the report has always printed.
// clang-format off
constexpr DecoderRow SmbiosDecoderTable[] = {
    {0, 18, "[BIOS INFO]", "bios", {
        {4, kText, "vendor: "},
        {5, kText, "version: "},
        {8, kText, "releaseDate: "}}},
    {1, 8, "[SYSTEM INFO]", "system", {
        {4, kText, "manufacturer: "},
        {5, kText, "productName: "},
        {6, kText, "version: "},
        {7, kText, "serialNumber: "},
        {8, kUuid, "UUID: ", 25}}},
    {2, 9, "[BASEBOARD INFO]", "baseboard", {
        {4, kText, "manufacturer: "},
        {5, kText, "product: "},
        {6, kText, "version: "},
        {7, kText, "serialNumber: "}}},
    {3, 9, "[CHASSIS INFO]", "chassis", {
        {4, kText, "manufacturer: "},
        {6, kText, "Version: "},
        {7, kText, "serialNumber: "},
        {8, kText, "AssetTagNumber: ", 10}}},
    {4, 26, "[PROCESSOR INFO]", "processor", {
        {4, kText, "SocketDesignation: "},
        {7, kText, "ProcessorManufacture: "},
        {16, kText, "ProcessorVersion: "},
        {32, kText, "serialNumber: ", 35},
        {33, kText, "AssetTag: ", 35},
        {34, kText, "PartNumber: ", 35}}},
    {17, 28, "[MEMORY INFO]", "memoryDevice", {
        {16, kText, "DeviceLocator: "},
        {17, kText, "BankLocator: "},
        {23, kText, "manufacturer: "},
        {24, kText, "serialNumber: "}}},
};
// clang-format on

constexpr std::size_t WidthOf(FieldKind kind) { return kind == FieldKind::kUuid ? kUuidBytes : 1; }

// Every field lies inside the formatted length that allows it, so a field is
// never read from outside the formatted area.
constexpr bool FieldsFitTheirLengths() {
  for (const DecoderRow& row : SmbiosDecoderTable) {
    for (const DecoderField& field : row.fields) {
      const std::size_t needed = std::max(row.minimumLength, field.onlyFrom);
      if (field.label != nullptr && field.offset + WidthOf(field.kind) > needed) return false;
    }
  }
  return true;
}
static_assert(FieldsFitTheirLengths(), "a decoded field lies past the length that allows it");

const DecoderRow* RowFor(std::uint8_t type) {
  for (const DecoderRow& row : SmbiosDecoderTable) {
    if (row.type == type) return &row;
  }
  return nullptr;
}

std::string UuidAt(ByteView formatted, std::size_t offset) {
  UuidBytes bytes{};
  if (!formatted.Has(offset, bytes.size())) return std::string(kSmbiosAbsent);
  std::copy_n(formatted.data() + offset, bytes.size(), bytes.begin());
  return FormatSmbiosUuid(bytes);
}

std::string FieldValue(const SmbiosStructure& structure, const DecoderField& field) {
  const ByteView formatted = structure.bytes.Sub(0, structure.FormattedLength());
  if (field.kind == FieldKind::kUuid) return UuidAt(formatted, field.offset);
  return SmbiosString(structure, formatted.U8(field.offset).value_or(0));
}

// The position just past the NUL that ends the text at `at`; past the view's
// end when the text runs up to it.
std::size_t NextText(ByteView set, std::size_t at) {
  while (at < set.size() && set.U8(at) != 0) ++at;
  return at + 1;
}

}  // namespace

void DecodeSmbiosStructure(const SmbiosStructure& structure) {
  const DecoderRow* row = RowFor(structure.Type());
  const std::uint8_t length = structure.FormattedLength();
  if (row == nullptr || length < row->minimumLength || !structure.FormattedAreaFits()) return;
  ReportSmbiosStructure(row->kind);
  for (const DecoderField& field : row->fields) {
    if (field.label == nullptr) break;
    if (length < field.onlyFrom) continue;
    ReportSmbiosField(row->section, field.label, FieldValue(structure, field));
  }
}

std::string SmbiosString(const SmbiosStructure& structure, std::uint8_t number) {
  if (number == 0) return std::string(kSmbiosAbsent);
  const ByteView set = structure.StringSet();
  std::size_t at = 0;
  // Each step passes one text; an empty one (a lone NUL) counts too.
  for (std::uint8_t passed = 1; passed < number && at < set.size(); ++passed) {
    at = NextText(set, at);
  }
  if (at >= set.size() || set.U8(at) == 0) return std::string(kSmbiosAbsent);
  return set.TextAt(at);
}

}  // namespace quorvex

#include "smbios/smbios_decoders.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

#include "platform/uuid_text.h"
#include "quorvex/identities.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

enum class FieldKind : std::uint8_t { kText, kUuid };

struct DecoderField {
  std::uint8_t offset = 0;
  FieldKind kind = FieldKind::kText;
  const char* label = nullptr;  // nullptr: no further field in this row
  const char* name = nullptr;   // the label in camelCase: the field's name in the record
  // Older firmware writes shorter structures: a field that came later in the
  // standard is printed only from this formatted length on (0: always).
  std::uint8_t onlyFrom = 0;
};

struct DecoderRow {
  std::uint8_t type;
  std::uint8_t minimumLength;  // a shorter structure prints nothing at all
  std::string_view section;
  std::string_view kind;                      // the structure's name in the JSON document
  DecoderField fields[kMostStructureFields];  // in printing order
};

constexpr FieldKind kText = FieldKind::kText;
constexpr FieldKind kUuid = FieldKind::kUuid;

// Offsets count from the structure's type byte; a text field holds a string
// number. The labels' mixed spellings are what the report has always printed.
// clang-format off
constexpr DecoderRow SmbiosDecoderTable[] = {
    {0, 18, "[BIOS INFO]", "bios", {
        {4, kText, "vendor: ", "vendor"},
        {5, kText, "version: ", "version"},
        {8, kText, "releaseDate: ", "releaseDate"}}},
    {1, 8, "[SYSTEM INFO]", "system", {
        {4, kText, "manufacturer: ", "manufacturer"},
        {5, kText, "productName: ", "productName"},
        {6, kText, "version: ", "version"},
        {7, kText, "serialNumber: ", "serialNumber"},
        {8, kUuid, "UUID: ", "uuid", 25}}},
    {2, 9, "[BASEBOARD INFO]", "baseboard", {
        {4, kText, "manufacturer: ", "manufacturer"},
        {5, kText, "product: ", "product"},
        {6, kText, "version: ", "version"},
        {7, kText, "serialNumber: ", "serialNumber"}}},
    {3, 9, "[CHASSIS INFO]", "chassis", {
        {4, kText, "manufacturer: ", "manufacturer"},
        {6, kText, "Version: ", "version"},
        {7, kText, "serialNumber: ", "serialNumber"},
        {8, kText, "AssetTagNumber: ", "assetTagNumber", 10}}},
    {4, 26, "[PROCESSOR INFO]", "processor", {
        {4, kText, "SocketDesignation: ", "socketDesignation"},
        {7, kText, "ProcessorManufacture: ", "processorManufacture"},
        {16, kText, "ProcessorVersion: ", "processorVersion"},
        {32, kText, "serialNumber: ", "serialNumber", 35},
        {33, kText, "AssetTag: ", "assetTag", 35},
        {34, kText, "PartNumber: ", "partNumber", 35}}},
    {17, 28, "[MEMORY INFO]", "memoryDevice", {
        {16, kText, "DeviceLocator: ", "deviceLocator"},
        {17, kText, "BankLocator: ", "bankLocator"},
        {23, kText, "manufacturer: ", "manufacturer"},
        {24, kText, "serialNumber: ", "serialNumber"}}},
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

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The record names each field by its label without the ": ", in camelCase,
// and a label in capitals all lower-case: "vendor", "assetTagNumber", "uuid".
constexpr bool NameFollowsLabel(std::string_view label, std::string_view name) {
  label = label.substr(0, label.find(':'));
  bool capitals = true;
  for (const char c : label) capitals = capitals && !(c >= 'a' && c <= 'z');
  if (label.size() != name.size()) return false;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if ((i == 0 || capitals ? LowerAscii(label[i]) : label[i]) != name[i]) return false;
  }
  return true;
}

constexpr bool NamesFollowLabels() {
  for (const DecoderRow& row : SmbiosDecoderTable) {
    for (const DecoderField& field : row.fields) {
      if (field.label != nullptr && !NameFollowsLabel(field.label, field.name)) return false;
    }
  }
  return true;
}
static_assert(NamesFollowLabels(), "a field's name is not its label in camelCase");

// What the record and the document take from each row: a field is always
// there unless a later formatted length brings it.
constexpr std::array<StructureShape, std::size(SmbiosDecoderTable)> ShapesOfTheDecoders() {
  std::array<StructureShape, std::size(SmbiosDecoderTable)> shapes{};
  for (std::size_t r = 0; r < shapes.size(); ++r) {
    const DecoderRow& row = SmbiosDecoderTable[r];
    shapes[r].kind = row.kind;
    for (const DecoderField& field : row.fields) {
      if (field.label == nullptr) break;
      shapes[r].fields[shapes[r].fieldCount++] = {field.name, field.onlyFrom <= row.minimumLength};
    }
  }
  return shapes;
}
constexpr auto kShapesOfTheDecoders = ShapesOfTheDecoders();

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
    ReportSmbiosField(row->section, field.label, field.name, FieldValue(structure, field));
  }
}

const std::array<StructureShape, 6> kStructureShapes = kShapesOfTheDecoders;

const StructureShape* StructureShapeOf(std::string_view kind) {
  for (const StructureShape& shape : kStructureShapes) {
    if (shape.kind == kind) return &shape;
  }
  return nullptr;
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

#include "smbios/smbios_decoders.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "smbios/smbios_table_builder.h"
#include "support/console_capture.h"

namespace quorvex {
namespace {

using testing::ConsoleCapture;
using testing::CountingUuid;
using testing::SmbiosBytes;
using testing::StructureBuilder;

SmbiosStructure ViewOf(const SmbiosBytes& bytes) {
  return SmbiosStructure{ByteView(bytes.data(), bytes.size())};
}

std::string Decoded(const SmbiosBytes& bytes) {
  ConsoleCapture console;
  DecodeSmbiosStructure(ViewOf(bytes));
  return console.Output();
}

std::string Joined(const std::vector<std::string>& lines, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count && i < lines.size(); ++i) text += lines[i] + "\n";
  return text;
}

// One decoded type: where its string numbers go, and every line it prints
// when the structure is long enough for all of its fields. Text k of the set
// is "text k", so a field read from the wrong offset shows.
struct TypeLayout {
  std::uint8_t type;
  std::vector<std::size_t> textOffsets;  // string numbers 1, 2, ... in this order
  std::vector<std::string> lines;
};

std::vector<TypeLayout> Layouts() {
  return {
      {0,
       {4, 5, 8},
       {"[TAMBRO] [BIOS INFO] vendor: text 1", "[TAMBRO] [BIOS INFO] version: text 2",
        "[TAMBRO] [BIOS INFO] releaseDate: text 3"}},
      {1,
       {4, 5, 6, 7},
       {"[TAMBRO] [SYSTEM INFO] manufacturer: text 1", "[TAMBRO] [SYSTEM INFO] productName: text 2",
        "[TAMBRO] [SYSTEM INFO] version: text 3", "[TAMBRO] [SYSTEM INFO] serialNumber: text 4",
        "[TAMBRO] [SYSTEM INFO] UUID: 33221100-5544-7766-8899-AABBCCDDEEFF"}},
      {2,
       {4, 5, 6, 7},
       {"[TAMBRO] [BASEBOARD INFO] manufacturer: text 1",
        "[TAMBRO] [BASEBOARD INFO] product: text 2", "[TAMBRO] [BASEBOARD INFO] version: text 3",
        "[TAMBRO] [BASEBOARD INFO] serialNumber: text 4"}},
      {3,
       {4, 6, 7, 8},
       {"[TAMBRO] [CHASSIS INFO] manufacturer: text 1", "[TAMBRO] [CHASSIS INFO] Version: text 2",
        "[TAMBRO] [CHASSIS INFO] serialNumber: text 3",
        "[TAMBRO] [CHASSIS INFO] AssetTagNumber: text 4"}},
      {4,
       {4, 7, 16, 32, 33, 34},
       {"[TAMBRO] [PROCESSOR INFO] SocketDesignation: text 1",
        "[TAMBRO] [PROCESSOR INFO] ProcessorManufacture: text 2",
        "[TAMBRO] [PROCESSOR INFO] ProcessorVersion: text 3",
        "[TAMBRO] [PROCESSOR INFO] serialNumber: text 4",
        "[TAMBRO] [PROCESSOR INFO] AssetTag: text 5",
        "[TAMBRO] [PROCESSOR INFO] PartNumber: text 6"}},
      {17,
       {16, 17, 23, 24},
       {"[TAMBRO] [MEMORY INFO] DeviceLocator: text 1",
        "[TAMBRO] [MEMORY INFO] BankLocator: text 2", "[TAMBRO] [MEMORY INFO] manufacturer: text 3",
        "[TAMBRO] [MEMORY INFO] serialNumber: text 4"}},
  };
}

TypeLayout LayoutOf(std::uint8_t type) {
  for (const TypeLayout& layout : Layouts()) {
    if (layout.type == type) return layout;
  }
  throw std::logic_error("no layout for type " + std::to_string(type));
}

// A structure of `length` bytes with every field that fits in it filled in.
SmbiosBytes Filled(const TypeLayout& layout, std::uint8_t length) {
  StructureBuilder structure(layout.type, length);
  for (std::size_t i = 0; i < layout.textOffsets.size(); ++i) {
    if (layout.textOffsets[i] < length)
      structure.Put(layout.textOffsets[i], static_cast<std::uint8_t>(i + 1));
    structure.Text("text " + std::to_string(i + 1));
  }
  // Placed whenever it fits, so that only the length rule keeps it out.
  if (layout.type == 1 && length >= 24) structure.Put(8, CountingUuid());
  return structure.Build();
}

struct Threshold {
  std::uint8_t type, length;
  std::size_t lines;  // how many of the type's lines, from the first
};

const Threshold kThresholds[] = {
    {0, 17, 0},  {0, 18, 3},  {0, 255, 3},                             // BIOS
    {1, 7, 0},   {1, 8, 4},   {1, 24, 4},   {1, 25, 5},  {1, 255, 5},  // UUID from 25, not 24
    {2, 8, 0},   {2, 9, 4},   {2, 255, 4},                             // baseboard from 9, not 8
    {3, 8, 0},   {3, 9, 3},   {3, 10, 4},   {3, 255, 4},               // asset tag from 10
    {4, 25, 0},  {4, 26, 3},  {4, 34, 3},   {4, 35, 6},  {4, 255, 6},  // the last three from 35
    {17, 27, 0}, {17, 28, 4}, {17, 255, 4},                            // memory device
};

TEST(DecodeSmbiosStructure, MinimumLengthsAndConditions) {
  for (const Threshold& t : kThresholds) {
    const TypeLayout layout = LayoutOf(t.type);
    EXPECT_EQ(Decoded(Filled(layout, t.length)), Joined(layout.lines, t.lines))
        << "type " << int{t.type} << ", length " << int{t.length};
  }
}

TEST(DecodeSmbiosStructure, OtherTypesPrintNothing) {
  for (const std::uint8_t type : std::initializer_list<std::uint8_t>{5, 7, 16, 18, 126, 127, 255}) {
    StructureBuilder structure(type, 255);
    for (std::size_t offset = 4; offset < 255; ++offset) structure.Put(offset, 1);
    EXPECT_EQ(Decoded(structure.Text("text 1").Build()), "") << "type " << int{type};
  }
}

TEST(DecodeSmbiosStructure, EmptyStringSetPrintsIsNull) {
  const SmbiosBytes board = StructureBuilder(2, 9).Put(5, 1).Put(7, 1).Build();
  EXPECT_EQ(Decoded(board),
            "[TAMBRO] [BASEBOARD INFO] manufacturer: is null\n"
            "[TAMBRO] [BASEBOARD INFO] product: is null\n"
            "[TAMBRO] [BASEBOARD INFO] version: is null\n"
            "[TAMBRO] [BASEBOARD INFO] serialNumber: is null\n");
}

TEST(DecodeSmbiosStructure, FormattedAreaPastTheViewPrintsNothing) {
  const SmbiosBytes bios = Filled(LayoutOf(0), 18);
  const SmbiosBytes cut(bios.begin(), bios.begin() + 17);
  EXPECT_EQ(Decoded(cut), "");
}

struct StringCase {
  const char* name;
  SmbiosBytes set;  // the bytes after a 4-byte formatted area, to the view's end
  std::uint8_t number;
  std::string want;
};

SmbiosBytes SetOf(std::string_view bytes) { return SmbiosBytes(bytes.begin(), bytes.end()); }

std::vector<StringCase> StringCases() {
  return {
      {"ZeroNamesNoText", SetOf({"Alpha\0Beta\0\0", 12}), 0, "is null"},
      {"First", SetOf({"Alpha\0Beta\0\0", 12}), 1, "Alpha"},
      {"Last", SetOf({"Alpha\0Beta\0\0", 12}), 2, "Beta"},
      {"OnePastLastIsTheFinalNul", SetOf({"Alpha\0Beta\0\0", 12}), 3, "is null"},
      {"FarPast", SetOf({"Alpha\0Beta\0\0", 12}), 255, "is null"},
      {"EmptySet", SetOf({"\0\0", 2}), 1, "is null"},
      {"NoSetAtAll", {}, 1, "is null"},
      {"EmptyFirstText", SetOf({"\0Beta\0\0", 7}), 1, "is null"},
      {"TextAfterEmptyFirst", SetOf({"\0Beta\0\0", 7}), 2, "Beta"},
      {"BytesAsStored", SetOf({" lead\t\xC3\xBC\xFF trail \0\0", 18}), 1,
       " lead\t\xC3\xBC\xFF trail "},
      {"CutByTheViewEnd", SetOf({"Alpha\0Bet", 9}), 2, "Bet"},
      {"StartAtTheViewEnd", SetOf({"Alpha\0", 6}), 2, "is null"},
  };
}

TEST(SmbiosString, LookupStaysInsideTheSet) {
  for (const StringCase& c : StringCases()) {
    const SmbiosBytes bytes = testing::Concat({StructureBuilder(200, 4).FormattedOnly(), c.set});
    EXPECT_EQ(SmbiosString(ViewOf(bytes), c.number), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorvex

#include "smbios/smbios_walk.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "smbios/smbios_table_builder.h"
#include "support/console_capture.h"

namespace quorvex {
namespace {

using testing::Concat;
using testing::ConsoleCapture;
using testing::EndOfTable;
using testing::SmbiosBytes;
using testing::StructureBuilder;
using testing::WithHeader;
using Lines = std::vector<std::string>;

std::string Walked(const SmbiosBytes& table) {
  ConsoleCapture console;
  WalkSmbiosTable(ByteView(table.data(), table.size()));
  return console.Output();
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string SizeLine(std::uint32_t length) {
  return "[TAMBRO] [SMBIOS] SMBIOS size=" + std::to_string(length) + " bytes";
}
Lines EndLine() { return {"[TAMBRO] [SMBIOS] Reached end-of-table marker"}; }

// A baseboard that names only its manufacturer: four lines, three of them "is null".
SmbiosBytes Board(const std::string& maker) {
  return StructureBuilder(2, 9).Put(4, 1).Text(maker).Build();
}
Lines BoardLines(const std::string& maker) {
  return {"[TAMBRO] [BASEBOARD INFO] manufacturer: " + maker,
          "[TAMBRO] [BASEBOARD INFO] product: is null",
          "[TAMBRO] [BASEBOARD INFO] version: is null",
          "[TAMBRO] [BASEBOARD INFO] serialNumber: is null"};
}

SmbiosBytes Raw(std::initializer_list<std::uint8_t> bytes) { return SmbiosBytes(bytes); }

// `data` behind a header that claims `claimed` bytes (default: all of them);
// the walk must print the size line with the claimed length, then `lines`.
struct WalkCase {
  const char* name;
  SmbiosBytes data;
  Lines lines;
  std::optional<std::uint32_t> claimed = std::nullopt;
};

void ExpectWalks(const std::vector<WalkCase>& cases) {
  for (const WalkCase& c : cases) {
    const std::uint32_t claimed = c.claimed.value_or(static_cast<std::uint32_t>(c.data.size()));
    EXPECT_EQ(Walked(WithHeader(c.data, claimed)), Joined(Lines{SizeLine(claimed)} + c.lines))
        << c.name;
  }
}

TEST(WalkSmbiosTable, WhereTheWalkEnds) {
  const SmbiosBytes a = Board("Maker A");
  ExpectWalks({
      {"EmptyTable", {}, {}},
      {"LengthZeroIgnoresWhatFollows", a, {}, 0},
      {"FirstStructureIsTheMarker", Concat({EndOfTable(), a}), EndLine()},
      {"MarkerAfterStructures", Concat({a, EndOfTable(), Board("Not reached")}),
       BoardLines("Maker A") + EndLine()},
      // The type is tested before the length.
      {"MarkerWithLengthZero", Concat({Raw({127, 0, 0, 0}), a}), EndLine()},
      {"MarkerWithLengthTwo", Concat({Raw({127, 2}), a}), EndLine()},
      {"LengthZeroStopsSilently", Concat({Raw({1, 0, 0, 0, 0, 0}), a}), {}},
      {"LengthOneStopsSilently", Concat({Raw({1, 1, 0, 0, 0, 0}), a}), {}},
      {"LengthTwoStopsSilently", Concat({Raw({1, 2, 0, 0, 0, 0}), a}), {}},
      {"LengthThreeStopsSilently", Concat({Raw({1, 3, 0, 0, 0, 0}), a}), {}},
      {"AfterDecodedStructures", Concat({a, Raw({4, 3, 0, 0, 0, 0}), a}), BoardLines("Maker A")},
      {"NoMarkerEndsSilently", a, BoardLines("Maker A")},
  });
}

TEST(WalkSmbiosTable, StructuresInTableOrder) {
  ExpectWalks({
      {"OtherTypesPassedOver",
       Concat({StructureBuilder(7, 19).Put(4, 1).Text("Cache text").Build(),
               StructureBuilder(16, 23).Text("Array text").Build(),
               StructureBuilder(126, 4).Text("Inactive text").Build(), Board("Maker A")}),
       BoardLines("Maker A")},
      // Too short for its type: not printed, but the walk goes on past it.
      {"ShortKnownTypePassedOver",
       Concat({StructureBuilder(0, 17).Put(4, 1).Text("Short BIOS").Build(), Board("Maker A")}),
       BoardLines("Maker A")},
      // The next structure starts two NULs after the formatted area.
      {"EmptyStringSets",
       Concat({StructureBuilder(2, 9).Build(), StructureBuilder(200, 4).Build(), Board("Maker A")}),
       BoardLines("is null") + BoardLines("Maker A")},
      {"RepeatedTypes", Concat({Board("First"), Board("Second"), Board("Third"), EndOfTable()}),
       BoardLines("First") + BoardLines("Second") + BoardLines("Third") + EndLine()},
  });
}

// Every read stays inside the buffer and inside the claimed structure data.
TEST(WalkSmbiosTable, Bounds) {
  const SmbiosBytes a = Board("Maker A");
  const std::uint32_t aSize = static_cast<std::uint32_t>(a.size());
  const SmbiosBytes bios = StructureBuilder(0, 18).Put(4, 1).Text("Bios vendor").Build();
  ExpectWalks({
      {"ClaimPastTheBufferStopsAtItsEnd", a, BoardLines("Maker A"), 0xFFFFFFFFu},
      {"BytesPastTheClaimAreNotRead", Concat({a, Board("Past the claim")}), BoardLines("Maker A"),
       aSize},
      {"ClaimEndsInsideAStructure", Concat({a, Board("Cut")}), BoardLines("Maker A"), aSize + 8},
      // At the last byte there is no length byte: only the marker counts.
      {"MarkerAsTheLastByte", Concat({a, Raw({127})}), BoardLines("Maker A") + EndLine()},
      {"OtherTypeAsTheLastByte", Concat({a, Raw({2})}), BoardLines("Maker A")},
      {"FormattedAreaPastTheEnd", Concat({a, SmbiosBytes(bios.begin(), bios.begin() + 17)}),
       BoardLines("Maker A")},
      // The formatted area ends exactly at the end: decoded, with no texts.
      {"FormattedAreaUpToTheEnd", Concat({a, StructureBuilder(2, 9).Put(4, 1).FormattedOnly()}),
       BoardLines("Maker A") + BoardLines("is null")},
      // A set with no NUL pair before the end: the text is the bytes up to it.
      {"TextCutByTheEnd",
       Concat({StructureBuilder(2, 9).Put(4, 1).FormattedOnly(), Raw({'C', 'u', 't'})}),
       BoardLines("Cut")},
      // A string number past the set never reaches into the next structure.
      {"NumberPastTheSet",
       Concat({StructureBuilder(2, 9).Put(4, 3).Text("Only").Build(),
               StructureBuilder(200, 4).Text("Next 1").Text("Next 2").Text("Next 3").Build()}),
       BoardLines("is null")},
  });
}

TEST(WalkSmbiosTable, SizeLineIsTheClaimedLength) {
  EXPECT_EQ(Walked(WithHeader({}, 0xFFFFFFFFu)), SizeLine(0xFFFFFFFFu) + "\n");
  EXPECT_EQ(Walked(WithHeader({}, 1234567)), SizeLine(1234567) + "\n");
}

TEST(WalkSmbiosTable, BufferShorterThanTheHeaderPrintsNothing) {
  const SmbiosBytes header = WithHeader({});
  for (std::size_t size = 0; size < header.size(); ++size) {
    EXPECT_EQ(
        Walked(SmbiosBytes(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(size))), "")
        << size << " bytes";
  }
}

// 1,100 memory devices in over 64 KiB: one pass, in order, and each lookup
// only sees its own structure's texts.
TEST(WalkSmbiosTable, LargeTableInOnePass) {
  constexpr int kDevices = 1100;
  SmbiosBytes data;
  Lines want;
  for (int i = 0; i < kDevices; ++i) {
    const std::string n = std::to_string(i);
    const SmbiosBytes device = StructureBuilder(17, 40)
                                   .Put(16, 1)
                                   .Put(17, 2)
                                   .Put(23, 3)
                                   .Put(24, 4)
                                   .Text("Slot " + n)
                                   .Text("Bank " + n)
                                   .Text("Maker " + n)
                                   .Text("SN-" + n)
                                   .Build();
    data.insert(data.end(), device.begin(), device.end());
    const Lines lines = {"[TAMBRO] [MEMORY INFO] DeviceLocator: Slot " + n,
                         "[TAMBRO] [MEMORY INFO] BankLocator: Bank " + n,
                         "[TAMBRO] [MEMORY INFO] manufacturer: Maker " + n,
                         "[TAMBRO] [MEMORY INFO] serialNumber: SN-" + n};
    want.insert(want.end(), lines.begin(), lines.end());
  }
  ASSERT_GT(data.size(), 64u * 1024u);
  ExpectWalks({{"ThousandsOfStructures", Concat({data, EndOfTable()}), want + EndLine()}});
}

}  // namespace
}  // namespace quorvex

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "quorvex/collectors.h"
#include "replay/capture_folder.h"
#include "smbios/smbios_table_builder.h"
#include "support/console_capture.h"
#include "support/param_name.h"
#include "support/standin_test.h"
#include "support/temp_folder.h"

namespace quorvex::replay {
namespace {

using namespace std::string_literals;
using quorvex::testing::TempFolder;
using standin::Bytes;

// A made-up 2.x entry point: anchor, checksum, length, version 2.8, then
// zeros but for the intermediate anchor and a BCD revision of 28h.
std::string Smbios2EntryPoint(std::uint8_t length = 31) {
  std::string entry = std::string("_SM_\x5A", 5) + static_cast<char>(length) + "\x02\x08";
  entry.resize(16, '\0');
  entry += "_DMI_";
  entry.resize(30, '\0');
  entry += '\x28';
  entry.resize(length, '\0');
  return entry;
}

// A made-up 3.x entry point: version 3.5, document revision 2.
std::string Smbios3EntryPoint(std::uint8_t length = 24) {
  std::string entry = std::string("_SM3_\xA5", 6) + static_cast<char>(length) + "\x03\x05\x02\x01";
  entry.resize(length, '\0');
  return entry;
}

std::string Dmi() { return "\x7F\x04\x00\x00\x00\x00"s; }

struct GoodCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  Bytes table;
  bool fetchFails;
};

std::vector<GoodCase> GoodFolders() {
  return {
      {"TableFileAsItIs",
       {{"smbios.bin", "\x00\x03\x04\x00\x02\x00\x00\x00\x7F\x04"s}},
       {0, 3, 4, 0, 2, 0, 0, 0, 0x7F, 4},
       false},
      {"TableFileWhoseFetchFails",
       {{"smbios.bin", "anything"}, {"smbios.fetch-fails", ""}},
       {'a', 'n', 'y', 't', 'h', 'i', 'n', 'g'},
       true},
      {"Smbios3Pair",
       {{"smbios_entry_point", Smbios3EntryPoint()}, {"DMI", Dmi()}},
       {0, 3, 5, 2, 6, 0, 0, 0, 0x7F, 4, 0, 0, 0, 0},
       false},
      // 2.x names no document revision: the header's DMI revision is 0.
      {"Smbios2Pair",
       {{"smbios_entry_point", Smbios2EntryPoint()}, {"DMI", Dmi()}},
       {0, 2, 8, 0, 6, 0, 0, 0, 0x7F, 4, 0, 0, 0, 0},
       false},
      {"Smbios21LengthQuirk",
       {{"smbios_entry_point", Smbios2EntryPoint(30)}, {"DMI", Dmi()}},
       {0, 2, 8, 0, 6, 0, 0, 0, 0x7F, 4, 0, 0, 0, 0},
       false},
      // Bytes after the length the entry point gives are not read.
      {"TrailingBytesIgnored",
       {{"smbios_entry_point", Smbios3EntryPoint() + "extra"}, {"DMI", Dmi()}},
       {0, 3, 5, 2, 6, 0, 0, 0, 0x7F, 4, 0, 0, 0, 0},
       false},
      {"EmptyDmi",
       {{"smbios_entry_point", Smbios3EntryPoint()}, {"DMI", ""}},
       {0, 3, 5, 2, 0, 0, 0, 0},
       false},
      {"PairWhoseFetchFails",
       {{"smbios_entry_point", Smbios3EntryPoint()}, {"DMI", Dmi()}, {"smbios.fetch-fails", ""}},
       {0, 3, 5, 2, 6, 0, 0, 0, 0x7F, 4, 0, 0, 0, 0},
       true},
  };
}

class FirmwareCaptureTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(FirmwareCaptureTest, GivesTheTableWindowsWould) {
  TempFolder folder;
  for (const auto& [name, bytes] : GetParam().files) folder.Write(name, bytes);
  standin::Machine machine;
  ASSERT_EQ(LoadFirmwareCapture(folder.path(), machine), std::nullopt);
  EXPECT_TRUE(machine.firmware.present);
  EXPECT_EQ(machine.firmware.bytes, GetParam().table);
  EXPECT_EQ(machine.firmware.fetchFails, GetParam().fetchFails);
}
INSTANTIATE_TEST_SUITE_P(Folders, FirmwareCaptureTest, ::testing::ValuesIn(GoodFolders()),
                         quorvex::testing::RowName());

struct BadCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  const char* mentions;  // the error names the file at fault, and what is wrong
};

std::vector<BadCase> BadFolders() {
  return {
      {"BothForms",
       {{"smbios.bin", "x"}, {"smbios_entry_point", Smbios3EntryPoint()}, {"DMI", Dmi()}},
       "smbios.bin: a table is given twice"},
      {"TableFileAndHalfAPair",
       {{"smbios.bin", "x"}, {"DMI", Dmi()}},
       "smbios.bin: a table is given twice"},
      {"EntryPointAlone",
       {{"smbios_entry_point", Smbios3EntryPoint()}},
       "smbios_entry_point: no DMI"},
      {"DmiAlone", {{"DMI", Dmi()}}, "DMI: no smbios_entry_point"},
      {"FetchFailsAlone", {{"smbios.fetch-fails", ""}}, "smbios.fetch-fails: no smbios.bin"},
      {"UnknownAnchor",
       {{"smbios_entry_point", "_DMI_" + std::string(26, '\0')}, {"DMI", Dmi()}},
       "smbios_entry_point: starts with neither"},
      {"LowerCaseAnchor",
       {{"smbios_entry_point", "_sm3_" + std::string(19, '\0')}, {"DMI", Dmi()}},
       "smbios_entry_point: starts with neither"},
      {"EmptyEntryPoint",
       {{"smbios_entry_point", ""}, {"DMI", Dmi()}},
       "smbios_entry_point: starts with neither"},
      {"AnchorOnly",
       {{"smbios_entry_point", "_SM3_\xA5"}, {"DMI", Dmi()}},
       "smbios_entry_point: too short for a _SM3_"},
      {"Smbios3LengthBelow24",
       {{"smbios_entry_point", Smbios3EntryPoint(23)}, {"DMI", Dmi()}},
       "smbios_entry_point: a _SM3_ entry point of 23 bytes, below the 24"},
      {"Smbios2LengthBelow30",
       {{"smbios_entry_point", Smbios2EntryPoint(29)}, {"DMI", Dmi()}},
       "smbios_entry_point: a _SM_ entry point of 29 bytes, below the 30"},
      {"Smbios3Truncated",
       {{"smbios_entry_point", Smbios3EntryPoint().substr(0, 20)}, {"DMI", Dmi()}},
       "smbios_entry_point: 20 bytes, but its entry point says 24"},
      {"Smbios2Truncated",
       {{"smbios_entry_point", Smbios2EntryPoint().substr(0, 30)}, {"DMI", Dmi()}},
       "smbios_entry_point: 30 bytes, but its entry point says 31"},
  };
}

class BadFirmwareCaptureTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadFirmwareCaptureTest, IsRefusedWithAMessage) {
  TempFolder folder;
  for (const auto& [name, bytes] : GetParam().files) folder.Write(name, bytes);
  standin::Machine machine;
  const std::optional<Failure> error = LoadFirmwareCapture(folder.path(), machine);
  ASSERT_TRUE(error.has_value());
  const std::string message = FailureMessage(*error);
  EXPECT_NE(message.find((folder.path() / GetParam().mentions).string()), std::string::npos)
      << message;
}
INSTANTIATE_TEST_SUITE_P(Folders, BadFirmwareCaptureTest, ::testing::ValuesIn(BadFolders()),
                         quorvex::testing::RowName());

TEST(FirmwareCapture, NoFirmwareFilesIsNoTable) {
  TempFolder folder;
  standin::Machine machine;
  ASSERT_EQ(LoadFirmwareCapture(folder.path(), machine), std::nullopt);
  EXPECT_FALSE(machine.firmware.present);
}

using ReplayTest = quorvex::testing::StandinTest;

// The whole way a Linux user's files take: the folder, the stand-in, the phase.
TEST_F(ReplayTest, SysfsPairReplaysAsTheSmbiosPhase) {
  using quorvex::testing::Concat;
  using quorvex::testing::StructureBuilder;
  const Bytes dmi =
      Concat({StructureBuilder(2, 9).Put(4, 1).Put(7, 2).Text("Replayed").Text("BRD-9").Build(),
              quorvex::testing::EndOfTable()});
  TempFolder folder;
  folder.Write("smbios_entry_point", Smbios2EntryPoint());
  folder.WriteBytes("DMI", dmi);
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine()), std::nullopt);
  quorvex::testing::ConsoleCapture console;
  DumpSmbios();
  EXPECT_EQ(console.Output(), "[TAMBRO] [SMBIOS] SMBIOS size=" + std::to_string(dmi.size()) +
                                  " bytes\n"
                                  "[TAMBRO] [BASEBOARD INFO] manufacturer: Replayed\n"
                                  "[TAMBRO] [BASEBOARD INFO] product: is null\n"
                                  "[TAMBRO] [BASEBOARD INFO] version: is null\n"
                                  "[TAMBRO] [BASEBOARD INFO] serialNumber: BRD-9\n"
                                  "[TAMBRO] [SMBIOS] Reached end-of-table marker\n");
}

}  // namespace
}  // namespace quorvex::replay

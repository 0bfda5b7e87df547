#include "capture/capture_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "quorvex/report.h"
#include "replay/capture_folder.h"
#include "support/console_capture.h"
#include "support/descriptor_builder.h"
#include "support/param_name.h"
#include "support/standin_test.h"
#include "support/temp_folder.h"

namespace quorvex::capture {
namespace {

using quorvex::testing::DescriptorBuilder;
using quorvex::testing::TempFolder;
using standin::Bytes;

std::string Report() {
  quorvex::testing::ConsoleCapture console;
  RunReport();
  return console.Output();
}

std::vector<std::string> NamesOf(const std::vector<CaptureFile>& files) {
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const CaptureFile& file : files) names.push_back(file.name);
  return names;
}

// A small table: one type-1 structure with a made-up manufacturer, then the end marker.
Bytes MadeUpTable() {
  Bytes structures = {1, 8, 0, 1, 1, 0, 0, 0};
  for (const char c : std::string("Made-up Maker"))
    structures.push_back(static_cast<std::uint8_t>(c));
  structures.insert(structures.end(), {0, 0, 127, 4, 0, 2, 0, 0});
  Bytes table = {0, 3, 4, 0, static_cast<std::uint8_t>(structures.size()), 0, 0, 0};
  table.insert(table.end(), structures.begin(), structures.end());
  return table;
}

void MadeUpDrives(standin::Machine& machine) {
  standin::Drive answers;  // 0: serial, model and firmware at their offsets
  answers.response =
      DescriptorBuilder().Serial("  SN-0001 ").Model("Made-up Disk").Firmware("1.0").bytes();
  answers.returned = static_cast<std::uint32_t>(answers.response.size());
  machine.drives[0] = answers;
  machine.drives[1].requestFails = true;
  // 3: more bytes than the buffer, and a count beyond it
  machine.drives[3].response = DescriptorBuilder().Serial("SN-0003").PadTo(5000, 0x41).bytes();
  machine.drives[3].returned = 5000;
  // 5: the model lies past the returned count, so the report must not read it
  machine.drives[5].response = DescriptorBuilder().Serial("SN-0005").Model("hidden").bytes();
  machine.drives[5].returned = 48;
}

struct FirmwareCase {
  std::string name;
  std::function<void(standin::FirmwareTable&)> setUp;
  std::vector<std::string> firmwareFiles;
};

class CaptureRoundTripTest : public quorvex::testing::StandinTest,
                             public ::testing::WithParamInterface<FirmwareCase> {};

// The whole point of a capture: the replay prints what the machine printed.
TEST_P(CaptureRoundTripTest, ReplayPrintsTheSameReport) {
  MadeUpDrives(machine());
  GetParam().setUp(machine().firmware);
  const std::string original = Report();
  // The registry's part is the .reg writer's, tested on its own; an empty one here.
  const std::vector<CaptureFile> files = CaptureMachine(RegistryCapture{});

  std::vector<std::string> want = {
      "registry.reg",       "PhysicalDrive0.bin",   "PhysicalDrive0.count", "PhysicalDrive1.fail",
      "PhysicalDrive3.bin", "PhysicalDrive3.count", "PhysicalDrive5.bin",   "PhysicalDrive5.count"};
  want.insert(want.end(), GetParam().firmwareFiles.begin(), GetParam().firmwareFiles.end());
  EXPECT_EQ(NamesOf(files), want);

  TempFolder folder;
  std::ostringstream listing;
  ASSERT_EQ(WriteCaptureFiles(folder.path(), files, listing), std::nullopt);
  standin::ResetMachine();
  faults() = {};
  ASSERT_EQ(replay::LoadCaptureFolder(folder.path(), machine()), std::nullopt);
  EXPECT_EQ(Report(), original);
  EXPECT_EQ(machine().drives[3].returned, 5000u) << "the count is kept as the driver said it";
  EXPECT_EQ(machine().drives[3].response.size(), 4096u) << "only what the buffer held";
}

const FirmwareCase kFirmwareCases[] = {
    {"Fetched",
     [](standin::FirmwareTable& t) {
       t.present = true;
       t.bytes = MadeUpTable();
     },
     {"smbios.bin"}},
    {"NoTable", [](standin::FirmwareTable& t) { t.present = false; }, {}},
    {"FetchFails",
     [](standin::FirmwareTable& t) {
       t.present = true;
       t.bytes = MadeUpTable();
       t.fetchFails = true;
     },
     {"smbios.bin", "smbios.fetch-fails"}},
    {"TableGrew",
     [](standin::FirmwareTable& t) {
       t.present = true;
       t.bytes = Bytes(8, 0);
       standin::TheRecorder().faults.firmwareAtFetch = MadeUpTable();
     },
     {"smbios.bin", "smbios.fetch-fails"}},
    {"SizeBelowHeader",
     [](standin::FirmwareTable& t) {
       t.present = true;
       t.bytes = Bytes(5, 0);
     },
     {"smbios.bin"}},
};
INSTANTIATE_TEST_SUITE_P(Firmware, CaptureRoundTripTest, ::testing::ValuesIn(kFirmwareCases),
                         quorvex::testing::RowName());

TEST(CaptureFiles, CountIsTheDriversNumberInDecimal) {
  StorageQueryResult result;
  result.outcome = StorageQueryResult::Outcome::kAnswered;
  result.returned = 4294967295u;
  const std::vector<CaptureFile> files = DriveFiles(12, result);
  ASSERT_EQ(NamesOf(files),
            (std::vector<std::string>{"PhysicalDrive12.bin", "PhysicalDrive12.count"}));
  EXPECT_EQ(files[0].bytes.size(), 4096u);
  EXPECT_EQ(std::string(files[1].bytes.begin(), files[1].bytes.end()), "4294967295");
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(CaptureFolder, NewFolderIsMadeWithItsParentsAndEachFileListed) {
  TempFolder scratch;
  const std::filesystem::path folder = scratch.path() / "a" / "capture";
  ASSERT_EQ(PrepareCaptureFolder(folder), std::nullopt);
  std::ostringstream listing;
  ASSERT_EQ(WriteCaptureFiles(folder, {{"smbios.bin", {1, 0, 2}}, {"setupapi.fails", {}}}, listing),
            std::nullopt);
  EXPECT_EQ(ReadAll(folder / "smbios.bin"), std::string("\x01\x00\x02", 3));
  EXPECT_TRUE(std::filesystem::exists(folder / "setupapi.fails"));
  EXPECT_EQ(listing.str(), (folder / "smbios.bin").u8string() + "\n" +
                               (folder / "setupapi.fails").u8string() + "\n");
}

TEST(CaptureFolder, EmptyFolderIsTaken) {
  TempFolder folder;
  EXPECT_EQ(PrepareCaptureFolder(folder.path()), std::nullopt);
}

struct RefusedCase {
  std::string name;
  std::string target;  // below a scratch folder that holds the file "file"
  const char* mentions;
};

class RefusedFolderTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFolderTest, IsRefusedWithAMessageAndLeftAlone) {
  TempFolder scratch;
  scratch.Write("file", "keep");
  const std::filesystem::path target = scratch.path() / GetParam().target;
  const std::optional<std::string> problem = PrepareCaptureFolder(target);
  ASSERT_TRUE(problem.has_value());
  EXPECT_NE(problem->find(GetParam().mentions), std::string::npos) << *problem;
  EXPECT_EQ(ReadAll(scratch.path() / "file"), "keep");
}

const RefusedCase kRefused[] = {
    {"NotEmpty", ".", "is not empty"},
    {"IsAFile", "file", "is not a folder"},
    {"BelowAFile", "file/capture", "cannot be made"},
};
INSTANTIATE_TEST_SUITE_P(Folders, RefusedFolderTest, ::testing::ValuesIn(kRefused),
                         quorvex::testing::RowName());

TEST(CaptureFolder, NameThatIsAPathIsRefusedAndNothingWrittenOutside) {
  TempFolder scratch;
  const std::filesystem::path folder = scratch.path() / "capture";
  ASSERT_EQ(PrepareCaptureFolder(folder), std::nullopt);
  std::ostringstream listing;
  for (const char* name : {"../escaped", "..", "sub/file", "C:file"}) {
    EXPECT_TRUE(WriteCaptureFiles(folder, {{name, {1}}}, listing).has_value()) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "escaped"));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  EXPECT_EQ(listing.str(), "");
}

}  // namespace
}  // namespace quorvex::capture

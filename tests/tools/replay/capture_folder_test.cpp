#include "replay/capture_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "quorvex/identities.h"
#include "support/descriptor_builder.h"
#include "support/param_name.h"
#include "support/temp_folder.h"

namespace quorvex::replay {
namespace {

using quorvex::testing::TempFolder;

TEST(CaptureFolder, DriveFilesSayWhatEachDriveDoes) {
  TempFolder folder;
  folder.Write("PhysicalDrive0.bin", std::string("\x01\x02\x03", 3));
  folder.Write("PhysicalDrive1.fail", "");
  folder.Write("PhysicalDrive3.bin", std::string(10, 'x'));
  folder.Write("PhysicalDrive3.count", "4294967295\n");
  standin::Machine machine;
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine), std::nullopt);

  ASSERT_EQ(machine.drives.size(), 3u) << "drive 2 has no file, so it does not open";
  EXPECT_FALSE(machine.drives[0].requestFails);
  EXPECT_EQ(machine.drives[0].response, (standin::Bytes{1, 2, 3}));
  EXPECT_EQ(machine.drives[0].returned, 3u) << "the count defaults to the file's size";
  EXPECT_TRUE(machine.drives[1].requestFails);
  EXPECT_EQ(machine.drives[3].returned, 4294967295u);
  EXPECT_EQ(machine.drives[3].response.size(), 10u);
}

TEST(CaptureFolder, EmptyFolderIsAMachineWithNothing) {
  TempFolder folder;
  standin::Machine machine;
  ASSERT_EQ(LoadCaptureFolder(folder.path(), machine), std::nullopt);
  EXPECT_TRUE(machine.drives.empty());
  EXPECT_FALSE(machine.firmware.present);
}

struct BadFolderCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  const char* mentions;  // the error names the file at fault
};

class BadCaptureFolderTest : public ::testing::TestWithParam<BadFolderCase> {};

TEST_P(BadCaptureFolderTest, IsRefusedWithAMessageNamingTheFile) {
  TempFolder folder;
  for (const auto& [name, bytes] : GetParam().files) folder.Write(name, bytes);
  standin::Machine machine;
  const std::optional<Failure> error = LoadCaptureFolder(folder.path(), machine);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(FailureMessage(*error).find(GetParam().mentions), std::string::npos)
      << FailureMessage(*error);
}

const BadFolderCase kBadFolders[] = {
    {"CountNotANumber",
     {{"PhysicalDrive0.bin", "x"}, {"PhysicalDrive0.count", "twelve"}},
     "PhysicalDrive0.count"},
    {"CountNegative",
     {{"PhysicalDrive0.bin", "x"}, {"PhysicalDrive0.count", "-1"}},
     "PhysicalDrive0.count"},
    {"CountEmpty",
     {{"PhysicalDrive0.bin", "x"}, {"PhysicalDrive0.count", ""}},
     "PhysicalDrive0.count"},
    {"CountPast32Bits",
     {{"PhysicalDrive2.bin", "x"}, {"PhysicalDrive2.count", "4294967296"}},
     "PhysicalDrive2.count"},
    {"CountWithoutBin", {{"PhysicalDrive4.count", "12"}}, "PhysicalDrive4.count"},
    {"FailAndBin",
     {{"PhysicalDrive5.bin", "x"}, {"PhysicalDrive5.fail", ""}},
     "PhysicalDrive5.fail"},
    {"FetchFailsWithoutTable", {{"smbios.fetch-fails", ""}}, "smbios.fetch-fails"},
};
INSTANTIATE_TEST_SUITE_P(Files, BadCaptureFolderTest, ::testing::ValuesIn(kBadFolders),
                         quorvex::testing::RowName());

TEST(CaptureFolder, MissingFolderIsRefused) {
  standin::Machine machine;
  TempFolder parent;
  const auto missing = parent.path() / "not-there";
  const std::optional<Failure> error = LoadCaptureFolder(missing, machine);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->path, missing.u8string());
}

TEST(CaptureFolder, FileInPlaceOfAFolderIsRefused) {
  TempFolder parent;
  parent.Write("plain-file", "x");
  standin::Machine machine;
  EXPECT_TRUE(LoadCaptureFolder(parent.path() / "plain-file", machine).has_value());
}

// A program may read two machines at once: each thread replays from a
// stand-in machine and a choice of form of its own.
TEST(CaptureFolder, TwoThreadsEachReadTheirOwnCapture) {
  TempFolder folders[2];
  for (int f = 0; f < 2; ++f) {
    for (int drive = 0; drive <= f; ++drive) {
      folders[f].WriteBytes(
          "PhysicalDrive" + std::to_string(drive) + ".bin",
          testing::DescriptorBuilder().Serial("S" + std::to_string(f)).Model("M").bytes());
    }
  }
  std::size_t drivesSeen[2] = {};
  const auto read = [&](int f) {
    for (int round = 0; round < 40; ++round) {
      Identities identities;
      if (ReadCaptureFolder(folders[f].path(), identities)) return;
      for (const Identities::Drive& drive : identities.drives) {
        if (drive.serialNumber != "S" + std::to_string(f)) return;
      }
      drivesSeen[f] += identities.drives.size();
    }
  };
  std::thread other(read, 1);
  read(0);
  other.join();
  EXPECT_EQ(drivesSeen[0], 40u);
  EXPECT_EQ(drivesSeen[1], 80u);
}

}  // namespace
}  // namespace quorvex::replay

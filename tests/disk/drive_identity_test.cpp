#include "quorvex/collectors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/descriptor_builder.h"
#include "support/param_name.h"
#include "support/standin_test.h"

namespace quorvex {
namespace {

using testing::DescriptorBuilder;

class DriveIdentityTest : public testing::StandinTest {
 protected:
  void Answer(int number, const DescriptorBuilder& descriptor) {
    machine().drives[number] = {false, descriptor.bytes(), descriptor.size()};
  }
};

struct PathCase {
  const char* name;
  std::int32_t number;
  const char* path;
};

class DrivePathTest : public testing::StandinTest,
                      public ::testing::WithParamInterface<PathCase> {};

TEST_P(DrivePathTest, OpensTheDecimalDevicePathForQueryOnly) {
  QueryDriveIdentity(GetParam().number);
  ASSERT_EQ(calls().createFile.size(), 1u);
  const standin::CreateFileCall& open = calls().createFile[0];
  EXPECT_EQ(open.path, GetParam().path);
  EXPECT_EQ(open.desiredAccess, 0u);
  EXPECT_EQ(open.shareMode, 3u);
  EXPECT_FALSE(open.securityAttributes);
  EXPECT_EQ(open.creationDisposition, 3u);
  EXPECT_EQ(open.flagsAndAttributes, 0u);
  EXPECT_FALSE(open.templateFile);
}

const PathCase kPathCases[] = {
    {"Zero", 0, "\\\\.\\PhysicalDrive0"},
    {"Seven", 7, "\\\\.\\PhysicalDrive7"},
    {"TwoDigits", 12, "\\\\.\\PhysicalDrive12"},
    {"Negative", -1, "\\\\.\\PhysicalDrive-1"},
};
INSTANTIATE_TEST_SUITE_P(Numbers, DrivePathTest, ::testing::ValuesIn(kPathCases),
                         testing::RowName());

TEST_F(DriveIdentityTest, SendsOneStandardDevicePropertyQuery) {
  Answer(2, DescriptorBuilder().Serial("S").Model("M").Firmware("F"));
  QueryDriveIdentity(2);
  ASSERT_EQ(calls().deviceIoControl.size(), 1u);
  const standin::DeviceIoControlCall& request = calls().deviceIoControl[0];
  EXPECT_EQ(request.controlCode, 0x2D1400u);
  EXPECT_EQ(request.inSize, 12u);
  EXPECT_EQ(request.input, std::vector<std::uint8_t>(12, 0));
  EXPECT_EQ(request.outSize, 4096u);
  EXPECT_TRUE(request.bytesReturnedGiven);
  EXPECT_FALSE(request.overlapped);
  EXPECT_TRUE(request.outputWasZero);
  EXPECT_TRUE(request.countWasZero);
}

TEST_F(DriveIdentityTest, AnsweringDriveGivesItsTextsAndIsClosed) {
  Answer(0, DescriptorBuilder().Serial(" WD-123 ").Model("Disk Model").Firmware("01.0"));
  const DriveIdentity drive = QueryDriveIdentity(0);
  EXPECT_EQ(drive.serialNumber, "WD-123");
  EXPECT_EQ(drive.model, "Disk Model");
  EXPECT_EQ(drive.firmware, "01.0");
  EXPECT_EQ(resources().filesOpened, 1);
}

TEST_F(DriveIdentityTest, OpenFailureGivesPlaceholdersAndNothingToClose) {
  const DriveIdentity drive = QueryDriveIdentity(5);
  EXPECT_EQ(drive.serialNumber, "N/A");
  EXPECT_EQ(drive.model, "N/A");
  EXPECT_EQ(drive.firmware, "N/A");
  EXPECT_TRUE(calls().deviceIoControl.empty());
  EXPECT_EQ(resources().filesOpened, 0);
}

TEST_F(DriveIdentityTest, FailedRequestGivesPlaceholdersAndStillCloses) {
  machine().drives[1].requestFails = true;
  machine().drives[1].response = DescriptorBuilder().Serial("ignored").bytes();
  const DriveIdentity drive = QueryDriveIdentity(1);
  EXPECT_EQ(drive.serialNumber, "N/A");
  EXPECT_EQ(drive.model, "N/A");
  EXPECT_EQ(drive.firmware, "N/A");
  EXPECT_EQ(resources().filesOpened, 1);
}

TEST_F(DriveIdentityTest, ResponseLongerThanTheBufferIsCutAtIt) {
  // The driver claims 5000 bytes; the text at 4090 has no NUL inside the buffer.
  DescriptorBuilder descriptor;
  descriptor.SetU32(24, 4090).PadTo(5000, 'Q');
  machine().drives[0] = {false, descriptor.bytes(), 5000};
  EXPECT_EQ(QueryDriveIdentity(0).serialNumber, "QQQQQQ");
}

TEST_F(DriveIdentityTest, EveryCallOpensTheDriveAfresh) {
  Answer(3, DescriptorBuilder().Model("M"));
  QueryDriveIdentity(3);
  QueryDriveIdentity(3);
  EXPECT_EQ(calls().createFile.size(), 2u);
  EXPECT_EQ(resources().filesOpened, 2);
}

}  // namespace
}  // namespace quorvex

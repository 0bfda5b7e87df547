#include "disk/storage_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/descriptor_builder.h"
#include "support/param_name.h"

namespace quorvex {
namespace {

using testing::DescriptorBuilder;

constexpr std::uint32_t kSerialAt = 24;
constexpr std::uint32_t kModelAt = 16;
constexpr std::uint32_t kFirmwareAt = 20;

// The response buffer as the query hands it over: the driver's bytes at the
// start, zero to the end of the 4096 bytes.
std::vector<std::uint8_t> Buffer(const std::vector<std::uint8_t>& written) {
  std::vector<std::uint8_t> buffer(kDescriptorBufferBytes, 0);
  std::copy(written.begin(),
            written.begin() + static_cast<std::ptrdiff_t>(std::min(written.size(), buffer.size())),
            buffer.begin());
  return buffer;
}

DriveIdentity Parse(const DescriptorBuilder& descriptor, std::uint32_t returned) {
  const std::vector<std::uint8_t> buffer = Buffer(descriptor.bytes());
  return ParseDriveDescriptor(ByteView(buffer.data(), buffer.size()), returned);
}

struct ParseCase {
  const char* name;
  DescriptorBuilder descriptor;
  std::uint32_t returned;  // 0: the descriptor's own size
  DriveIdentity want;
};

DriveIdentity Identity(std::string serial, std::string model, std::string firmware) {
  return DriveIdentity{std::move(serial), std::move(model), std::move(firmware)};
}

class ParseDriveDescriptorTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseDriveDescriptorTest, ReadsTheThreeTexts) {
  const ParseCase& c = GetParam();
  const DriveIdentity got = Parse(c.descriptor, c.returned ? c.returned : c.descriptor.size());
  EXPECT_EQ(got.serialNumber, c.want.serialNumber);
  EXPECT_EQ(got.model, c.want.model);
  EXPECT_EQ(got.firmware, c.want.firmware);
}

const ParseCase kParseCases[] = {
    {"AllThree", DescriptorBuilder().Serial("SN-0001").Model("Example SSD").Firmware("1.0A"), 0,
     Identity("SN-0001", "Example SSD", "1.0A")},
    {"NoOffsetsAtAll", DescriptorBuilder(), 0, Identity("N/A", "N/A", "N/A")},
    {"SerialOffsetZeroOthersRead", DescriptorBuilder().Model("Disk").Firmware("FW1"), 0,
     Identity("N/A", "Disk", "FW1")},
    {"BlanksAroundAreTrimmedInnerBlankStays",
     DescriptorBuilder().Serial("  AB12 CD34 \r\n").Model("M"), 0,
     Identity("AB12 CD34", "M", "N/A")},
    {"OnlyBlanksGiveEmptyNotPlaceholder", DescriptorBuilder().Serial(" \t\r\n ").Model("M"), 0,
     Identity("", "M", "N/A")},
    {"NulAtOffsetGivesEmpty", DescriptorBuilder().Serial("").Model("M"), 0,
     Identity("", "M", "N/A")},
    {"BytesAreKeptAsDelivered", DescriptorBuilder().Serial("\xC3\xBC-ab\x0B").Model("x\x0C"), 0,
     Identity("\xC3\xBC-ab\x0B", "x\x0C", "N/A")},
    {"VendorIdIsNotPartOfTheModel", DescriptorBuilder().Text(12, "Vendor").Nul().Model("Model"), 0,
     Identity("N/A", "Model", "N/A")},
    {"ExactPlaceholderTextsLookUnread", DescriptorBuilder().Serial("N/A").Model("N/A"), 0,
     Identity("N/A", "N/A", "N/A")},
};

INSTANTIATE_TEST_SUITE_P(Layouts, ParseDriveDescriptorTest, ::testing::ValuesIn(kParseCases),
                         testing::RowName());

TEST(ParseDriveDescriptor, OffsetAtReturnedCountIsNotReadOneBelowIs) {
  DescriptorBuilder descriptor;
  descriptor.PadTo(100);
  descriptor.SetU32(kSerialAt, 100).SetU32(kModelAt, 99);  // byte 99 is a NUL
  const DriveIdentity got = Parse(descriptor, 100);
  EXPECT_EQ(got.serialNumber, "N/A");
  EXPECT_EQ(got.model, "");
}

TEST(ParseDriveDescriptor, TextsBeyondTheReturnedCountAreNotRead) {
  // The driver reports fewer bytes than it left in the buffer: only the
  // reported ones count, and a text ends at the count, not at a later NUL.
  DescriptorBuilder descriptor;
  descriptor.Serial("SERIAL").Model("MODEL");
  const std::uint32_t modelOffset = DescriptorBuilder::kHeaderBytes + 7;
  const DriveIdentity got = Parse(descriptor, modelOffset + 3);
  EXPECT_EQ(got.serialNumber, "SERIAL");
  EXPECT_EQ(got.model, "MOD");
}

TEST(ParseDriveDescriptor, HeaderCutByTheCountLeavesFieldsUnread) {
  DescriptorBuilder descriptor;
  descriptor.Serial("S").Model("M").Firmware("F");
  const DriveIdentity got = Parse(descriptor, kSerialAt + 2);  // serial offset only half returned
  EXPECT_EQ(got.serialNumber, "N/A");
  EXPECT_EQ(got.model, "N/A");  // its offset lies past the count
  EXPECT_EQ(got.firmware, "N/A");
}

TEST(ParseDriveDescriptor, CountAboveTheBufferIsClampedAndNoReadLeavesIt) {
  // A text without NUL running to the last byte, and an offset past the buffer.
  DescriptorBuilder descriptor;
  descriptor.SetU32(kSerialAt, 4000).SetU32(kModelAt, 4096).SetU32(kFirmwareAt, 0xFFFFFFFF);
  descriptor.PadTo(4096, 'Z');
  const std::vector<std::uint8_t> buffer = Buffer(descriptor.bytes());
  const DriveIdentity got =
      ParseDriveDescriptor(ByteView(buffer.data(), buffer.size()), 0xFFFFFFFF);
  EXPECT_EQ(got.serialNumber, std::string(96, 'Z'));
  EXPECT_EQ(got.model, "N/A");
  EXPECT_EQ(got.firmware, "N/A");
}

struct TrimCase {
  const char* name;
  std::string in;
  std::string want;
};

class TrimWhitespaceTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimWhitespaceTest, RemovesOnlyTheFourBlanksAtTheEnds) {
  EXPECT_EQ(TrimWhitespace(GetParam().in), GetParam().want);
}

const TrimCase kTrimCases[] = {
    {"Empty", "", ""},
    {"AllFourBlanks", " \t\r\n", ""},
    {"NothingToTrim", "abc", "abc"},
    {"BothEnds", "\t\n ab c\r\n", "ab c"},
    {"SingleCharacter", " x ", "x"},
    {"VerticalTabStays",
     "\x0B"
     "a"
     "\x0B",
     "\x0B"
     "a"
     "\x0B"},
    {"FormFeedStays", "a\x0C", "a\x0C"},
    {"HighBytesStay",
     "\xA0"
     "a"
     "\xFF",
     "\xA0"
     "a"
     "\xFF"},
    {"NulIsNotBlank", std::string("a\0", 2), std::string("a\0", 2)},
};

INSTANTIATE_TEST_SUITE_P(Texts, TrimWhitespaceTest, ::testing::ValuesIn(kTrimCases),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

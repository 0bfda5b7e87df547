#include "gpu/uuid_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/system_names.h"

namespace quorvex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

Bytes Counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(0x10 + i);
  return bytes;
}

const std::optional<std::string> kNoLine;
const std::string kCountingUuid = "10111213-1415-1617-1819-1A1B1C1D1E1F";

// One enumerated value and what each pass prints for it.
struct ValueCase {
  const char* label;
  std::string name;
  DWORD type;
  Bytes data;
  std::optional<std::string> driverKey, deviceKey;
};

const ValueCase kValueCases[] = {
    {"SzUpper", "UUID", REG_SZ, Text("abc"), "abc", "abc"},
    {"SzCapitalised", "GpuUuid", REG_SZ, Text("g-1"), "g-1", "g-1"},
    {"SzLowerOnlyInDriverKey", "gpu_uuid", REG_SZ, Text("l-1"), "l-1", kNoLine},
    {"OtherCaseMixMatchesNowhere", "uUID", REG_SZ, Text("x"), kNoLine, kNoLine},
    {"MarkerMidName", "DeviceUUIDCopy", REG_SZ, Text("m-1"), "m-1", "m-1"},
    {"NameShorterThanMarker", "UUI", REG_SZ, Text("x"), kNoLine, kNoLine},
    {"NameWithoutMarker", "DriverDesc", REG_SZ, Text("x"), kNoLine, kNoLine},
    {"EmptySz", "UUID", REG_SZ, Text(""), "", ""},
    {"SzEndsAtFirstNul", "UUID", REG_SZ, Bytes{'a', 'b', 0, 'c', 0}, "ab", "ab"},
    {"ExpandSzUnexpandedInDriverKeyOnly", "Uuid", REG_EXPAND_SZ, Text("%SystemRoot%\\u"),
     "%SystemRoot%\\u", kNoLine},
    {"Binary15", "UUID", REG_BINARY, Counting(15), kNoLine, kNoLine},
    {"Binary16", "UUID", REG_BINARY, Counting(16), kCountingUuid, kCountingUuid},
    {"Binary20UsesFirst16", "uuid", REG_BINARY, Counting(20), kCountingUuid, kNoLine},
    {"Dword", "UUID", REG_DWORD, Bytes{1, 0, 0, 0}, kNoLine, kNoLine},
    {"MultiSz", "UUID", REG_MULTI_SZ, Bytes{'a', 0, 'b', 0, 0}, kNoLine, kNoLine},
    // The unused type slot of the device rules must not make REG_NONE a text type.
    {"RegNone", "UUID", REG_NONE, Text("n"), kNoLine, kNoLine},
};

class UuidTextOfTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(UuidTextOfTest, EachPassPrintsWhatItsRulesSay) {
  const ValueCase& c = GetParam();
  const ByteView data(c.data.data(), c.data.size());
  const auto size = static_cast<std::uint32_t>(c.data.size());
  EXPECT_EQ(UuidTextOf(kDriverKeyRules, c.name, c.type, data, size), c.driverKey);
  EXPECT_EQ(UuidTextOf(kDeviceKeyRules, c.name, c.type, data, size), c.deviceKey);
}

INSTANTIATE_TEST_SUITE_P(Values, UuidTextOfTest, ::testing::ValuesIn(kValueCases),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(UuidTextOf, BinaryCountsOnlyTheBytesTheCallReturned) {
  const Bytes buffer = Counting(1024);  // a full buffer, of which the call reports 15 bytes
  const ByteView view(buffer.data(), buffer.size());
  EXPECT_EQ(UuidTextOf(kDriverKeyRules, "UUID", REG_BINARY, view, 15), kNoLine);
  EXPECT_EQ(UuidTextOf(kDriverKeyRules, "UUID", REG_BINARY, view, 16), kCountingUuid);
}

TEST(TextDatum, StopsAtNulReturnedSizeOrBuffer) {
  const Bytes letters(8, 'A');  // no NUL anywhere
  const ByteView view(letters.data(), letters.size());
  EXPECT_EQ(TextDatum(view, 3), "AAA");
  EXPECT_EQ(TextDatum(view, 8), "AAAAAAAA");
  EXPECT_EQ(TextDatum(view, 9000), "AAAAAAAA");  // a size past the buffer is cut at it
  EXPECT_EQ(TextDatum(view, 0), "");
  const Bytes withNul = {'u', 0, 'v'};
  EXPECT_EQ(TextDatum(ByteView(withNul.data(), withNul.size()), 3), "u");
}

TEST(IsNvidiaInstanceId, NeedsTheExactMarkerAnywhere) {
  EXPECT_TRUE(IsNvidiaInstanceId("PCI\\VEN_10DE&DEV_0E01&SUBSYS_00000000&REV_A1\\4&1&0&0008"));
  EXPECT_TRUE(IsNvidiaInstanceId("SWD\\REMOTE_VEN_10DE\\7"));
  EXPECT_TRUE(IsNvidiaInstanceId("X\\Y\\VEN_10DE"));
  EXPECT_FALSE(IsNvidiaInstanceId("PCI\\ven_10de&DEV_0E01\\0"));
  EXPECT_FALSE(IsNvidiaInstanceId("PCI\\VEN_10D"));
  EXPECT_FALSE(IsNvidiaInstanceId("PCI\\VEN_1002&DEV_0001\\0"));
  EXPECT_FALSE(IsNvidiaInstanceId(""));
}

TEST(ViewOfChars, TextIsBoundedByTheBuffer) {
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(ViewOfChars(full, sizeof(full)).TextAt(0), "abcd");
  const char cut[4] = {'a', 0, 'c', 'd'};
  EXPECT_EQ(ViewOfChars(cut, sizeof(cut)).TextAt(0), "a");
}

}  // namespace
}  // namespace quorvex

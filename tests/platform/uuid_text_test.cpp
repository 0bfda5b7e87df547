#include "gpu/binary_uuid.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvex {
namespace {

TEST(FormatBinaryUuid, KeepsStoredOrderInGroupsOf8_4_4_4_12) {
  const BinaryUuid counting = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                               0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
  EXPECT_EQ(FormatBinaryUuid(counting), "00010203-0405-0607-0809-0A0B0C0D0E0F");
}

TEST(FormatBinaryUuid, WritesUpperCaseDigitsWithLeadingZero) {
  const BinaryUuid mixed = {0xFE, 0xDC, 0xBA, 0x98, 0x0A, 0xB0, 0x01, 0x10,
                            0xFF, 0x00, 0xC3, 0x5D, 0x7E, 0xA1, 0x09, 0x90};
  EXPECT_EQ(FormatBinaryUuid(mixed), "FEDCBA98-0AB0-0110-FF00-C35D7EA10990");
}

TEST(FirstUuidBytes, NeedsSixteenBytesAndIgnoresTheRest) {
  std::vector<std::uint8_t> bytes(20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  EXPECT_FALSE(FirstUuidBytes(ByteView(bytes.data(), 15)));
  const auto sixteen = FirstUuidBytes(ByteView(bytes.data(), 16));
  ASSERT_TRUE(sixteen);
  EXPECT_EQ(FormatBinaryUuid(*sixteen), "A0A1A2A3-A4A5-A6A7-A8A9-AAABACADAEAF");
  const auto twenty = FirstUuidBytes(ByteView(bytes.data(), bytes.size()));
  ASSERT_TRUE(twenty);
  EXPECT_EQ(*twenty, *sixteen);
}

}  // namespace
}  // namespace quorvex

#include "platform/uuid_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvex {
namespace {

struct UuidCase {
  const char* name;
  UuidBytes bytes;
  const char* binary;  // FormatBinaryUuid: every byte where it is stored
  const char* smbios;  // FormatSmbiosUuid: the first three groups reversed
};

const UuidCase kUuidCases[] = {
    {"CountingFromZero",
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
      0x0F},
     "00010203-0405-0607-0809-0A0B0C0D0E0F",
     "03020100-0504-0706-0809-0A0B0C0D0E0F"},
    {"CountingBy11",
     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
      0xFF},
     "00112233-4455-6677-8899-AABBCCDDEEFF",
     "33221100-5544-7766-8899-AABBCCDDEEFF"},
    // Upper-case letters, and a leading zero below 10h.
    {"MixedDigits",
     {0xFE, 0xDC, 0xBA, 0x98, 0x0A, 0xB0, 0x01, 0x10, 0xFF, 0x00, 0xC3, 0x5D, 0x7E, 0xA1, 0x09,
      0x90},
     "FEDCBA98-0AB0-0110-FF00-C35D7EA10990",
     "98BADCFE-B00A-1001-FF00-C35D7EA10990"},
    {"SmallBytesAndLetters",
     {0x01, 0x0A, 0xB0, 0x0C, 0x02, 0xF0, 0x03, 0x0E, 0x04, 0x0D, 0x05, 0x60, 0x07, 0x80, 0x09,
      0xA0},
     "010AB00C-02F0-030E-040D-0560078009A0",
     "0CB00A01-F002-0E03-040D-0560078009A0"},
    // No value is treated apart.
    {"AllZero", {}, "00000000-0000-0000-0000-000000000000", "00000000-0000-0000-0000-000000000000"},
    {"AllOnes",
     {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF},
     "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF",
     "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF"},
};

TEST(UuidText, BothByteOrders) {
  for (const UuidCase& c : kUuidCases) {
    EXPECT_EQ(FormatBinaryUuid(c.bytes), c.binary) << c.name;
    EXPECT_EQ(FormatSmbiosUuid(c.bytes), c.smbios) << c.name;
  }
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

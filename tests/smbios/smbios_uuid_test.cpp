#include "smbios/smbios_uuid.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

struct UuidCase {
  const char* name;
  SmbiosUuidBytes bytes;
  const char* want;
};

const UuidCase kUuidCases[] = {
    // The first three groups reversed, the last two as stored.
    {"CountingBytes",
     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
      0xFF},
     "33221100-5544-7766-8899-AABBCCDDEEFF"},
    {"AllZeroIsNotSpecial", {}, "00000000-0000-0000-0000-000000000000"},
    {"AllOnesIsNotSpecial",
     {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF},
     "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF"},
    // Bytes below 10h keep their leading zero; letters are upper case.
    {"SmallBytesAndLetters",
     {0x01, 0x0A, 0xB0, 0x0C, 0x02, 0xF0, 0x03, 0x0E, 0x04, 0x0D, 0x05, 0x60, 0x07, 0x80, 0x09,
      0xA0},
     "0CB00A01-F002-0E03-040D-0560078009A0"},
};

TEST(FormatSmbiosUuid, ByteOrderAndDigits) {
  for (const UuidCase& c : kUuidCases) EXPECT_EQ(FormatSmbiosUuid(c.bytes), c.want) << c.name;
}

}  // namespace
}  // namespace quorvex

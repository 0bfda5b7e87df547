#include "platform/keyed_hash.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/param_name.h"

namespace quorvex {
namespace {

// The first `bytes` of an HMAC in lower-case hexadecimal, as RFC 4231 prints them.
std::string HexOf(const HmacSha256& mac, std::size_t bytes) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < bytes; ++i) {
    hex += kDigits[mac[i] >> 4];
    hex += kDigits[mac[i] & 0x0F];
  }
  return hex;
}

struct Rfc4231Row {
  std::string name;
  std::string key;
  std::string data;
  std::string hmac;  // HMAC-SHA-256 as the RFC gives it; case 5 its first 128 bits only
};

// RFC 4231, section 4: test cases 1 to 7, HMAC-SHA-256.
const Rfc4231Row kRfc4231Rows[] = {
    {"Case1", std::string(20, '\x0b'), "Hi There",
     "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
    {"Case2KeyShorterThanTheHmac", "Jefe", "what do ya want for nothing?",
     "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
    {"Case3KeyAndDataOverABlock", std::string(20, '\xaa'), std::string(50, '\xdd'),
     "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
    {"Case4",
     "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15"
     "\x16\x17\x18\x19",
     std::string(50, '\xcd'), "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
    {"Case5TruncatedTo128Bits", std::string(20, '\x0c'), "Test With Truncation",
     "a3b6167473100ee06e0c796c2955552b"},
    {"Case6KeyOverABlock", std::string(131, '\xaa'),
     "Test Using Larger Than Block-Size Key - Hash Key First",
     "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    {"Case7KeyAndDataOverABlock", std::string(131, '\xaa'),
     "This is a test using a larger than block-size key and a larger than block-size data. The "
     "key needs to be hashed before being used by the HMAC algorithm.",
     "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
};

class Rfc4231Test : public ::testing::TestWithParam<Rfc4231Row> {};

TEST_P(Rfc4231Test, GivesTheRfcHmac) {
  const Rfc4231Row& row = GetParam();
  std::optional<KeyedHash> hash;
  ASSERT_EQ(KeyedHash::Create(row.key, hash), std::nullopt);
  HmacSha256 mac{};
  ASSERT_EQ(hash->Hmac({row.data}, mac), std::nullopt);
  EXPECT_EQ(HexOf(mac, row.hmac.size() / 2), row.hmac);
}

INSTANTIATE_TEST_SUITE_P(HmacSha256, Rfc4231Test, ::testing::ValuesIn(kRfc4231Rows),
                         testing::RowName());

// One key serves every message: each starts afresh under it, whatever came
// before, and a message in parts (empty ones too) is the message whole.
TEST(KeyedHash, PartsMakeTheWholeMessageAndEachMessageStartsAfresh) {
  const Rfc4231Row& row = kRfc4231Rows[6];
  std::optional<KeyedHash> hash;
  ASSERT_EQ(KeyedHash::Create(row.key, hash), std::nullopt);
  const std::string_view data = row.data;
  HmacSha256 first{}, other{}, parted{}, again{};
  ASSERT_EQ(hash->Hmac({data}, first), std::nullopt);
  ASSERT_EQ(hash->Hmac({"another message"}, other), std::nullopt);
  ASSERT_EQ(hash->Hmac({data.substr(0, 7), "", data.substr(7, 64), data.substr(71)}, parted),
            std::nullopt);
  ASSERT_EQ(hash->Hmac({data}, again), std::nullopt);
  EXPECT_EQ(HexOf(first, kHmacSha256Bytes), row.hmac);
  EXPECT_NE(HexOf(other, kHmacSha256Bytes), row.hmac);
  EXPECT_EQ(HexOf(parted, kHmacSha256Bytes), row.hmac);
  EXPECT_EQ(HexOf(again, kHmacSha256Bytes), row.hmac);
}

}  // namespace
}  // namespace quorvex

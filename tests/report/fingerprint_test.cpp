#include "quorvex/fingerprint.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/param_name.h"

namespace quorvex {
namespace {

MachineKey Key(std::string_view kind, const std::string& value) {
  MachineKey key;
  key.kind = KeyKindNamed(kind).value();
  key.value = value;
  key.quality = JudgeKey(key.kind, value);
  return key;
}

// Values of every kind, with little entropy as serial numbers have.
const std::vector<MachineKey> kMachine = {
    Key("gpu-uuid", "GPU-0A1B2C3D-0000-4000-8000-00000000A001"),
    Key("drive-serial", "OKD-0042"),
    Key("system-uuid", "{36251403-5847-7A69-8B9C-ADBECFE0F102}"),
    Key("system-serial", "OKS-48"),
    Key("baseboard-serial", "OKB-7"),
    Key("chassis-serial", "OKC-7"),
    Key("chassis-asset-tag", "INV-2291"),
    Key("processor-serial", "BFEBFBFF000906EA"),
    Key("memory-serial", "1A2B3C4D")};

Fingerprint FingerprintUnder(const std::string& key) {
  std::optional<Fingerprinter> fingerprinter;
  Fingerprint fingerprint;
  EXPECT_EQ(Fingerprinter::Create(key, fingerprinter), std::nullopt);
  if (fingerprinter) {
    EXPECT_EQ(fingerprinter->Of(kMachine, fingerprint), std::nullopt);
  }
  return fingerprint;
}

struct KeyRow {
  std::string name;
  std::size_t bytes;
  std::string refusal;  // found in the reason; empty when the key is taken
};

const KeyRow kKeyRows[] = {
    {"Empty", 0, "the key is empty; a fingerprint key needs at least 32 bytes"},
    {"ThirtyOneBytes", kFingerprintKeyMinBytes - 1, "the key is only 31 bytes"},
    {"ThirtyTwoBytes", kFingerprintKeyMinBytes, ""},
};

class FingerprintKeyTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(FingerprintKeyTest, IsTakenFromThirtyTwoBytes) {
  const KeyRow& row = GetParam();
  std::optional<Fingerprinter> fingerprinter;
  const std::optional<Failure> failure =
      Fingerprinter::Create(std::string(row.bytes, '\0'), fingerprinter);
  EXPECT_EQ(fingerprinter.has_value(), row.refusal.empty());
  if (!row.refusal.empty()) {
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->reason.find(row.refusal), std::string::npos) << failure->reason;
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, FingerprintKeyTest, ::testing::ValuesIn(kKeyRows),
                         testing::RowName());

// Two applications' keys, one byte apart: the same machine, the same
// kinds, and not one tag in common, so their records cannot be joined.
TEST(Fingerprint, TwoKeysShareNoTag) {
  std::string key(kFingerprintKeyMinBytes, 'k');
  const Fingerprint first = FingerprintUnder(key);
  key.back() = 'l';
  const Fingerprint second = FingerprintUnder(key);
  ASSERT_EQ(first.components.size(), kMachine.size());
  ASSERT_EQ(second.components.size(), kMachine.size());
  for (const FingerprintComponent& a : first.components) {
    for (const FingerprintComponent& b : second.components) EXPECT_NE(a.tag, b.tag);
  }
  EXPECT_FALSE(MatchFingerprints(first, second).same);
  EXPECT_EQ(FingerprintUnder(key), second);
}

// The bytes of `text` in hexadecimal, in the case of `digits`.
std::string Hex(std::string_view text, const char* digits) {
  std::string hex;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    hex += digits[byte >> 4];
    hex += digits[byte & 0x0F];
  }
  return hex;
}

// Not a value, its comparable form or its bytes in hexadecimal, in either case.
TEST(Fingerprint, HoldsNoRawValue) {
  const std::string document = FingerprintDocument(FingerprintUnder(std::string(64, 'k')));
  for (const MachineKey& key : kMachine) {
    const std::string comparable = ComparableKey(key.kind, *key.value);
    const std::string forms[] = {*key.value, comparable, Hex(comparable, "0123456789abcdef"),
                                 Hex(comparable, "0123456789ABCDEF")};
    for (const std::string& raw : forms) EXPECT_EQ(document.find(raw), std::string::npos) << raw;
  }
}

}  // namespace
}  // namespace quorvex

#include "quorvex/machine_keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/param_name.h"

namespace quorvex {
namespace {

struct QualityRow {
  std::string name;
  std::string_view kind;
  std::optional<std::string> bytes;
  std::string quality;
};

// clang-format off
const QualityRow kQualityRows[] = {
    {"NotRead",              "drive-serial", std::nullopt,                                   "absent"},
    {"Nothing",              "drive-serial", "",                                             "empty"},
    {"OnlyBlanks",           "drive-serial", " \t ",                                         "empty"},
    {"Zeros",                "drive-serial", "00000000",                                     "repeated"},
    {"AllFUuid",             "system-uuid",  "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF",         "repeated"},
    {"HyphensOnly",          "drive-serial", "----",                                         "repeated"},
    {"OneCharacter",         "drive-serial", "0",                                            "repeated"},
    {"SpacedRepeat",         "drive-serial", "X X\tX",                                       "repeated"},
    {"RepeatedNonUtf8",      "drive-serial", "\xff\xff\xff",                                 "repeated"},
    {"DummyUuid",            "system-uuid",  "03000200-0400-0500-0006-000700080009",         "dummy-uuid"},
    {"DummyUuidOldOrder",    "system-uuid",  " 00020003-0004-0005-0006-000700080009\t",      "dummy-uuid"},
    {"Filler",               "drive-serial", "To Be Filled By O.E.M.",                       "filler"},
    {"FillerCaseAndBlanks",  "drive-serial", "  default STRING\t",                           "filler"},
    {"FillerOfDigits",       "drive-serial", "0123456789",                                   "filler"},
    {"FillerShortest",       "drive-serial", "na",                                           "filler"},
    {"LineEndsAreBlanks",    "drive-serial", "Default string\r\n",                           "filler"},
    {"OnlyNuls",             "memory-serial", std::string(3, '\0'),                          "empty"},
    {"BracedDummyUuid",      "system-uuid",  "{03000200-0400-0500-0006-000700080009}",       "dummy-uuid"},
    {"GpuPrefixedRepeat",    "gpu-uuid",     "GPU-00000000-0000-0000-0000-000000000000",     "repeated"},
    {"BracesOnlyInUuids",    "drive-serial", "{0000}",                                       "usable"},
    {"PrefixOnlyInUuids",    "drive-serial", "GPU-0000",                                     "usable"},
    {"CloseToAFiller",       "drive-serial", "Default string 2",                             "usable"},
    {"MacInLastGroup",       "system-uuid",  "03000200-0400-0500-0006-001122334455",         "usable"},
    {"TwoBytesRepeated",     "drive-serial", "ABABABAB",                                     "usable"},
    {"NonUtf8",              "drive-serial", "\xff\xfe" "12",                                "usable"},
    {"Serial",               "drive-serial", "OKD-7731-0042",                                "usable"},
};
// clang-format on

class KeyQualityTest : public ::testing::TestWithParam<QualityRow> {};

TEST_P(KeyQualityTest, JudgesTheBytes) {
  const QualityRow& row = GetParam();
  const std::optional<std::string_view> bytes =
      row.bytes ? std::optional<std::string_view>(*row.bytes) : std::nullopt;
  const std::optional<KeyKind> kind = KeyKindNamed(row.kind);
  ASSERT_TRUE(kind) << row.kind;
  EXPECT_EQ(QualityName(JudgeKey(*kind, bytes)), row.quality);
}

INSTANTIATE_TEST_SUITE_P(Values, KeyQualityTest, ::testing::ValuesIn(kQualityRows),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

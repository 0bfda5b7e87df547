#include "quorvex/machine_keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/param_name.h"

namespace quorvex {
namespace {

struct QualityRow {
  std::string name;
  std::optional<std::string> bytes;
  std::string quality;
};

// clang-format off
const QualityRow kQualityRows[] = {
    {"NotRead",              std::nullopt,                                   "absent"},
    {"Nothing",              "",                                             "empty"},
    {"OnlyBlanks",           " \t ",                                         "empty"},
    {"Zeros",                "00000000",                                     "repeated"},
    {"AllFUuid",             "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF",         "repeated"},
    {"HyphensOnly",          "----",                                         "repeated"},
    {"OneCharacter",         "0",                                            "repeated"},
    {"SpacedRepeat",         "X X\tX",                                       "repeated"},
    {"RepeatedNonUtf8",      "\xff\xff\xff",                                 "repeated"},
    {"DummyUuid",            "03000200-0400-0500-0006-000700080009",         "dummy-uuid"},
    {"DummyUuidOldOrder",    " 00020003-0004-0005-0006-000700080009\t",      "dummy-uuid"},
    {"Filler",               "To Be Filled By O.E.M.",                       "filler"},
    {"FillerCaseAndBlanks",  "  default STRING\t",                           "filler"},
    {"FillerOfDigits",       "0123456789",                                   "filler"},
    {"FillerShortest",       "na",                                           "filler"},
    {"LineEndIsNoBlank",     "Default string\r",                             "usable"},
    {"CloseToAFiller",       "Default string 2",                             "usable"},
    {"MacInLastGroup",       "03000200-0400-0500-0006-001122334455",         "usable"},
    {"TwoBytesRepeated",     "ABABABAB",                                     "usable"},
    {"NonUtf8",              "\xff\xfe" "12",                                "usable"},
    {"Serial",               "OKD-7731-0042",                                "usable"},
};
// clang-format on

class KeyQualityTest : public ::testing::TestWithParam<QualityRow> {};

TEST_P(KeyQualityTest, JudgesTheBytes) {
  const QualityRow& row = GetParam();
  const std::optional<std::string_view> bytes =
      row.bytes ? std::optional<std::string_view>(*row.bytes) : std::nullopt;
  EXPECT_EQ(QualityName(JudgeKey(bytes)), row.quality);
}

INSTANTIATE_TEST_SUITE_P(Values, KeyQualityTest, ::testing::ValuesIn(kQualityRows),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

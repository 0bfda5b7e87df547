#include "report/log_line.h"

#include <gtest/gtest.h>

#include <string>

#include "support/param_name.h"

namespace quorvex {
namespace {

struct VisibleRow {
  std::string name;
  std::string text;
  std::string shown;
};

// clang-format off
const VisibleRow kVisibleRows[] = {
    {"CarriageReturnLineFeedNul",  std::string("a\rb\nc\0d", 7), "a␍b␊c␀d"},
    {"EraseLineAndTitleSequences", "\x1b[2K\x1b]0;t\a",          "␛[2K␛]0;t␇"},
    {"TabLikeEveryC0",             "\t\x1f",                     "␉␟"},
    {"Delete",                     "\x7f",                       "␡"},
    {"PrintableEdgesKept",         " ~",                         " ~"},
    {"C1AsUtf8",                   "a\xc2\x9b-\xc2\x80\xc2\x9f", "a\\x9B-\\x80\\x9F"},
    {"C1AfterABrokenSequence",     "\xe2\xc2\x9b",               "\xe2\\x9B"},
    {"PastTheC1RangeKept",         "\xc2\xa0\xc2\x7f",           "\xc2\xa0\xc2␡"},
    {"LoneC1ByteKept",             "\x9b!\xc2",                  "\x9b!\xc2"},
    {"OtherInvalidUtf8Kept",       "\xff\xfe\xc0\x9b",           "\xff\xfe\xc0\x9b"},
    {"LettersKept",                "é Ω 😀",                      "é Ω 😀"},
};
// clang-format on

class ConsoleVisibleTest : public ::testing::TestWithParam<VisibleRow> {};

TEST_P(ConsoleVisibleTest, ShowsControlsAndKeepsEveryOtherByte) {
  EXPECT_EQ(ConsoleVisible(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Bytes, ConsoleVisibleTest, ::testing::ValuesIn(kVisibleRows),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

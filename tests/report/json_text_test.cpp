#include "report/json_text.h"

#include <gtest/gtest.h>

#include <string>

#include "report/report_output.h"
#include "support/console_capture.h"
#include "support/param_name.h"

namespace quorvex {
namespace {

struct JsonRow {
  std::string name;
  std::string bytes;
  std::string json;
};

// clang-format off
const JsonRow kJsonRows[] = {
    {"Empty",                "",                          R"("")"},
    {"QuoteAndBackslash",    "a\"b\\c",                   R"("a\"b\\c")"},
    {"ShortEscapes",         "\n\r\t",                    R"("\n\r\t")"},
    {"EveryOtherC0",         std::string("\0\x01\x08\x0c\x1b\x1f", 6),
                             R"("\u0000\u0001\u0008\u000C\u001B\u001F")"},
    {"DeleteAndPrintable",   " ~\x7f",                    R"(" ~\u007F")"},
    {"C1Controls",           "\xc2\x80\xc2\x9b\xc2\x9f",  R"("\u0080\u009B\u009F")"},
    {"LineAndParagraph",     "\xe2\x80\xa8\xe2\x80\xa9",  R"("\u2028\u2029")"},
    {"MultiByteKept",        "\xc2\xa0\xc3\xa9 \xe2\x80\xa7 \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf",
                             "\"\xc2\xa0\xc3\xa9 \xe2\x80\xa7 \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf\""},
    {"LoneContinuation",     "a\x80",                     R"({"hex":"6180"})"},
    {"TruncatedSequence",    "\xe2\x82",                  R"({"hex":"E282"})"},
    {"TruncatedAtTheEnd",    "ok\xf0\x9f\x98",            R"({"hex":"6F6BF09F98"})"},
    {"OverlongSlash",        "\xc0\xaf",                  R"({"hex":"C0AF"})"},
    {"OverlongThreeBytes",   "\xe0\x80\xaf",              R"({"hex":"E080AF"})"},
    {"OverlongFourBytes",    "\xf0\x80\x80\xaf",          R"({"hex":"F08080AF"})"},
    {"Surrogate",            "\xed\xa0\x80",              R"({"hex":"EDA080"})"},
    {"AboveU10FFFF",         "\xf4\x90\x80\x80",          R"({"hex":"F4908080"})"},
    {"NeverAByte",           "\xff",                      R"({"hex":"FF"})"},
    {"ControlsInHexToo",     "\n\xff\"",                  R"({"hex":"0AFF22"})"},
};
// clang-format on

class JsonValueTest : public ::testing::TestWithParam<JsonRow> {};

TEST_P(JsonValueTest, HoldsExactlyTheBytes) {
  std::string out;
  AppendJsonValue(out, GetParam().bytes);
  EXPECT_EQ(out, GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(Bytes, JsonValueTest, ::testing::ValuesIn(kJsonRows), testing::RowName());

// The GPU counter is written whole, however many digits it has.
TEST(ReportOutput, GpuLineCarriesTheCounterAndAFixedZero) {
  testing::ConsoleCapture console;
  ReportGpuName(12, "card");
  EXPECT_EQ(console.Output(), "[TAMBRO] [NVIDIA] [12, 0] Name: card\n");
}

}  // namespace
}  // namespace quorvex

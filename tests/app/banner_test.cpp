#include "app/banner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quorvex {
namespace {

// The compiler already refuses a row longer than its slot. What it lets
// through: a row without its newline, a second line inside a row, a byte
// that is not printable ASCII, and a NUL that ends a row early and hides the
// rest of it.
TEST(BannerLines, EveryRowIsOneLineOfPrintableAsciiThenZeros) {
  for (std::size_t row = 0; row < kBannerRows; ++row) {
    const char* slot = BannerLines[row];
    const std::size_t length = strnlen(slot, kBannerSlotBytes);
    ASSERT_GE(length, 2u) << "row " << row;
    EXPECT_EQ(slot[length - 1], '\n') << "row " << row;
    for (std::size_t i = 0; i + 1 < length; ++i) {
      EXPECT_TRUE(slot[i] >= ' ' && slot[i] <= '~') << "row " << row << " byte " << i;
    }
    for (std::size_t i = length; i < kBannerSlotBytes; ++i) {
      EXPECT_EQ(slot[i], '\0') << "row " << row << " byte " << i;
    }
  }
}

TEST(BannerLines, RowsAreIndentedTwoAndHaveNoTrailingBlanks) {
  bool artTouchesIndent = false;
  for (std::size_t row = 0; row < kBannerRows; ++row) {
    const std::string text(BannerLines[row]);
    const std::string visible = text.substr(0, text.size() - 1);
    EXPECT_EQ(visible.substr(0, 2), "  ") << "row " << row;
    EXPECT_NE(visible.back(), ' ') << "row " << row;
    artTouchesIndent = artTouchesIndent || visible[2] != ' ';
  }
  EXPECT_TRUE(artTouchesIndent) << "the art is indented by more than two columns";
}

TEST(BannerLines, StrokesAreDollarsAndTheLastRowIsShadowOnly) {
  const std::string strokeAndShadow = "$\\|_/< ";
  for (std::size_t row = 0; row < kBannerRows; ++row) {
    const std::string visible(BannerLines[row], std::strlen(BannerLines[row]) - 1);
    const bool lastRow = row + 1 == kBannerRows;
    const std::string allowed = lastRow ? "\\_| " : strokeAndShadow;
    EXPECT_EQ(visible.find_first_not_of(allowed), std::string::npos) << "row " << row;
    if (!lastRow) {
      EXPECT_NE(visible.find('$'), std::string::npos) << "row " << row;
    }
  }
}

}  // namespace
}  // namespace quorvex

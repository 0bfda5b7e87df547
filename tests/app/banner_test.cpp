#include "app/banner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quorvex {
namespace {

// The letters themselves are pinned byte for byte by the run-sequence test;
// these are the rules of the slot and of the style. The compiler already
// refuses a row longer than its slot. What it lets through: a row without its
// newline, a second line inside a row, a byte that is not printable ASCII, a
// NUL that ends a row early and hides the rest of it; and art that leaves the
// two-column indent, trails blanks, or draws with other characters.
TEST(BannerLines, EachRowIsOneIndentedLineOfStrokesThenZeros) {
  bool artTouchesIndent = false;
  for (std::size_t row = 0; row < kBannerRows; ++row) {
    const char* slot = BannerLines[row];
    const std::size_t length = strnlen(slot, kBannerSlotBytes);
    ASSERT_GE(length, 4u) << "row " << row;
    EXPECT_EQ(slot[length - 1], '\n') << "row " << row;
    for (std::size_t i = length; i < kBannerSlotBytes; ++i) {
      EXPECT_EQ(slot[i], '\0') << "row " << row << " byte " << i;
    }
    const std::string visible(slot, length - 1);
    for (const char c : visible) {
      EXPECT_TRUE(c >= ' ' && c <= '~') << "row " << row;
    }
    EXPECT_EQ(visible.substr(0, 2), "  ") << "row " << row;
    EXPECT_NE(visible.back(), ' ') << "row " << row;
    artTouchesIndent = artTouchesIndent || visible[2] != ' ';
    const bool lastRow = row + 1 == kBannerRows;
    EXPECT_EQ(visible.find_first_not_of(lastRow ? "\\_| " : "$\\|_/< "), std::string::npos)
        << "row " << row;
    if (!lastRow) {
      EXPECT_NE(visible.find('$'), std::string::npos) << "row " << row;
    }
  }
  EXPECT_TRUE(artTouchesIndent) << "the art is indented by more than two columns";
}

}  // namespace
}  // namespace quorvex

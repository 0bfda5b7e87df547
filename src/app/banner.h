// The start-up banner: TAMBRO in block letters of dollar signs with a shadow.
#pragma once

#include <cstddef>

namespace quorvex {

inline constexpr std::size_t kBannerRows = 8;
// Each row is a zero-terminated text with its own "\n", at most 62 visible
// characters, zero-padded to the end of its slot.
inline constexpr std::size_t kBannerSlotBytes = 64;

extern const char BannerLines[kBannerRows][kBannerSlotBytes];

}  // namespace quorvex

// Turns UTF-8 test text into a .reg file as regedit writes it: a UTF-16LE
// byte-order mark, then the text as UTF-16LE with CRLF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::testing {

inline void PutUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// Expects well-formed UTF-8; the tests write their text by hand.
inline std::vector<std::uint8_t> Utf16File(const std::string& utf8) {
  std::vector<std::uint8_t> out = {0xFF, 0xFE};
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      code = (code << 6) | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3Fu);
    }
    i += length;
    if (code == '\n') PutUnit(out, '\r');
    if (code >= 0x10000) {
      PutUnit(out, 0xD800 + ((code - 0x10000) >> 10));
      PutUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      PutUnit(out, code);
    }
  }
  return out;
}

inline std::vector<std::uint8_t> Utf8File(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace quorvex::testing

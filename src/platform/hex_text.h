// Bytes as upper-case hexadecimal, two digits each, as the report writes
// UUIDs and escaped control codes.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex {

inline void AppendHexByte(std::string& out, std::uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace quorvex

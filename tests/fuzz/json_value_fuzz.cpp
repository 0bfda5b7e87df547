// Arbitrary bytes through the JSON value writer, read back by a decoder of
// its own: the value must decode to exactly the bytes, and the text must hold
// no control, no C1 control and no U+2028/U+2029 unescaped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/json_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  std::abort();  // upper-case digits only
}

std::string DecodeHex(std::string_view digits) {
  Require(digits.size() % 2 == 0);
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    bytes += static_cast<char>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1]));
  }
  return bytes;
}

void AppendUtf8(std::string& out, unsigned code) {
  Require(code < 0xD800 ||
          code > 0xDFFF);  // never a surrogate: every code escaped is below U+10000
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string DecodeString(std::string_view text) {
  Require(text.size() >= 2 && text.front() == '"' && text.back() == '"');
  std::string bytes;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    Require(c >= 0x20 && c != 0x7F && c != '"');
    Require(!(c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F));
    Require(text.substr(i, 3) != "\xE2\x80\xA8" && text.substr(i, 3) != "\xE2\x80\xA9");
    if (c != '\\') {
      bytes += text[i];
      continue;
    }
    Require(i + 2 < text.size());
    const char escape = text[++i];
    if (escape == 'u') {
      Require(i + 5 < text.size());
      const std::string code = DecodeHex(text.substr(i + 1, 4));
      AppendUtf8(bytes,
                 static_cast<unsigned char>(code[0]) * 256u + static_cast<unsigned char>(code[1]));
      i += 4;
    } else {
      const std::string_view from = "\"\\nrt", to = "\"\\\n\r\t";
      const std::size_t at = from.find(escape);
      Require(at != std::string_view::npos);
      bytes += to[at];
    }
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  quorvex::AppendJsonValue(text, bytes);
  constexpr std::string_view kHex = "{\"hex\":\"";
  if (text.compare(0, kHex.size(), kHex) == 0) {
    Require(!quorvex::IsValidUtf8(bytes));
    Require(text.size() >= kHex.size() + 2 && text.substr(text.size() - 2) == "\"}");
    Require(DecodeHex(text.substr(kHex.size(), text.size() - kHex.size() - 2)) == bytes);
  } else {
    Require(quorvex::IsValidUtf8(bytes));
    Require(DecodeString(text) == bytes);
  }
  return 0;
}

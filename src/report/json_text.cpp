#include "report/json_text.h"

#include <cstdint>

#include "platform/hex_text.h"

namespace quorvex {
namespace {

// The length of the well-formed sequence that starts at `at`, or 0.
std::size_t SequenceAt(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) return 1;
  // The second byte's range depends on the lead: it rules out overlong
  // forms (E0, F0), surrogates (ED) and code points above U+10FFFF (F4).
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

void AppendUnicodeEscape(std::string& out, std::uint16_t code) {
  out += "\\u";
  AppendHexByte(out, static_cast<std::uint8_t>(code >> 8));
  AppendHexByte(out, static_cast<std::uint8_t>(code & 0xFF));
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = SequenceAt(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

void AppendJsonValue(std::string& out, std::string_view bytes) {
  // Printable ASCII without a quote or a backslash, which is what most
  // values are, needs neither the check nor the escapes below.
  std::size_t printable = 0;
  while (printable < bytes.size()) {
    const auto byte = static_cast<std::uint8_t>(bytes[printable]);
    if (byte < 0x20 || byte > 0x7E || byte == '"' || byte == '\\') break;
    ++printable;
  }
  if (printable == bytes.size()) {
    out += '"';
    out += bytes;
    out += '"';
    return;
  }
  if (!IsValidUtf8(bytes)) {
    out += "{\"hex\":\"";
    for (const char c : bytes) AppendHexByte(out, static_cast<std::uint8_t>(c));
    out += "\"}";
    return;
  }
  out += '"';
  std::size_t plain = 0;  // where the bytes not yet written begin
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<std::uint8_t>(bytes[at]);
    const std::uint8_t next =
        at + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[at + 1]) : std::uint8_t{0};
    // Most bytes are written as they are, in runs; only these interrupt a run.
    const bool c1 = byte == 0xC2 && next >= 0x80 && next <= 0x9F;  // U+0080 to U+009F
    const bool separator = byte == 0xE2 && next == 0x80 && at + 2 < bytes.size() &&
                           (bytes[at + 2] == '\xA8' || bytes[at + 2] == '\xA9');  // U+2028, U+2029
    if (byte >= 0x20 && byte != '"' && byte != '\\' && byte != 0x7F && !c1 && !separator) continue;
    out.append(bytes.data() + plain, at - plain);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += bytes[at];
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (c1) {
      AppendUnicodeEscape(out, next);
      ++at;
    } else if (separator) {
      AppendUnicodeEscape(out, static_cast<std::uint16_t>(0x2028 + (bytes[at + 2] == '\xA9')));
      at += 2;
    } else {  // the other C0 controls and DEL
      AppendUnicodeEscape(out, byte);
    }
    plain = at + 1;
  }
  out.append(bytes.data() + plain, bytes.size() - plain);
  out += '"';
}

void AppendPointerToken(std::string& pointer, std::string_view token) {
  pointer += '/';
  for (const char c : token) {
    if (c == '~') {
      pointer += "~0";
    } else if (c == '/') {
      pointer += "~1";
    } else {
      pointer += c;
    }
  }
}

}  // namespace quorvex

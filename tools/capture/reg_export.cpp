#include "capture/reg_export.h"

#include <algorithm>
#include <cstddef>

namespace quorvex::capture {
namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kLineEnd = u"\r\n";
constexpr std::u16string_view kRoot = u"HKEY_LOCAL_MACHINE\\";
constexpr std::u16string_view kContinuationIndent = u"  ";
// regedit keeps hex lines within 80 columns, the continuation backslash included.
constexpr std::size_t kMaxHexLineChars = 80;
constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// The text with each surrogate that has no partner replaced.
std::u16string WellFormed(std::u16string_view text) {
  std::u16string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
      out[i] = kReplacement;
    }
  }
  return out;
}

// Inside quotes the reader knows \\, \" and, for the line breaks a name may hold, \r and \n.
std::u16string Quoted(std::u16string_view text) {
  std::u16string out = u"\"";
  for (const char16_t unit : WellFormed(text)) {
    if (unit == u'\\' || unit == u'"') {
      out.push_back(u'\\');
      out.push_back(unit);
    } else if (unit == u'\r' || unit == u'\n') {
      out.append(unit == u'\r' ? u"\\r" : u"\\n");
    } else {
      out.push_back(unit);
    }
  }
  out.push_back(u'"');
  return out;
}

std::u16string Hex(std::uint32_t value, int digits) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out(static_cast<std::size_t>(digits), u'0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4)
    out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return out;
}

std::u16string HexType(std::uint32_t type) {
  std::u16string digits = Hex(type, 8);
  digits.erase(0, std::min(digits.find_first_not_of(u'0'), digits.size() - 1));
  return digits;
}

char16_t UnitAt(const std::vector<std::uint8_t>& data, std::size_t i) {
  return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

// REG_SZ data that "text" gives back exactly: whole units, one NUL at the end
// and none before it, no line break, no lone surrogate.
bool IsPlainText(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  if (UnitAt(data, units - 1) != 0) return false;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < units; ++i) {
    const char16_t unit = UnitAt(data, i);
    if (unit == 0 || unit == u'\r' || unit == u'\n') return false;
    text.push_back(unit);
  }
  return WellFormed(text) == text;
}

std::u16string PlainText(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size() / 2; ++i) text.push_back(UnitAt(data, i));
  return text;
}

// `line` already holds the name and the hex prefix.
void AppendHexList(std::u16string& out, std::u16string line,
                   const std::vector<std::uint8_t>& data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::u16string piece = Hex(data[i], 2);
    if (i + 1 < data.size()) piece.push_back(u',');
    // One column stays free for the backslash that says the list goes on.
    if (line.size() + piece.size() + 1 > kMaxHexLineChars) {
      out.append(line).append(u"\\").append(kLineEnd);
      line = std::u16string(kContinuationIndent);
    }
    line.append(piece);
  }
  out.append(line).append(kLineEnd);
}

void AppendValue(std::u16string& out, const RegExportValue& value) {
  std::u16string line = value.name.empty() ? u"@" : Quoted(value.name);
  line.push_back(u'=');
  if (value.type == kRegSz && IsPlainText(value.data)) {
    out.append(line).append(Quoted(PlainText(value.data))).append(kLineEnd);
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) |
                                 static_cast<std::uint32_t>(value.data[1]) << 8 |
                                 static_cast<std::uint32_t>(value.data[2]) << 16 |
                                 static_cast<std::uint32_t>(value.data[3]) << 24;
    out.append(line).append(u"dword:").append(Hex(number, 8)).append(kLineEnd);
  } else {
    line.append(value.type == kRegBinary ? u"hex:" : u"hex(" + HexType(value.type) + u"):");
    AppendHexList(out, std::move(line), value.data);
  }
}

void AppendUnitLE(std::vector<std::uint8_t>& bytes, char16_t unit) {
  bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// The multi-byte forms of UTF-8 by lead byte. Leads C0, C1 and F5 and above
// only ever start overlong or out-of-range sequences.
struct Utf8Form {
  std::uint8_t firstLead, lastLead;
  std::size_t length;
  std::uint32_t minimum, leadMask;
};
constexpr Utf8Form kUtf8Forms[] = {
    {0xC2, 0xDF, 2, 0x80, 0x1F}, {0xE0, 0xEF, 3, 0x800, 0x0F}, {0xF0, 0xF4, 4, 0x10000, 0x07}};

// The length of the well-formed sequence at text[i], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i, std::uint32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[i + k]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  const Utf8Form* form = nullptr;
  for (const Utf8Form& candidate : kUtf8Forms) {
    if (lead >= candidate.firstLead && lead <= candidate.lastLead) form = &candidate;
  }
  if (form == nullptr) return 0;
  const std::size_t length = form->length;
  const std::uint32_t minimum = form->minimum;
  code = lead & form->leadMask;
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code < 0xE000;
  return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code = 0;
    const std::size_t length = SequenceLength(text, i, code);
    if (length == 0) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    i += length;
    if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

std::vector<std::uint8_t> Utf16TextData(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : text) AppendUnitLE(bytes, unit);
  AppendUnitLE(bytes, 0);
  return bytes;
}

std::vector<std::uint8_t> WriteRegFile(const std::vector<RegExportKey>& keys) {
  std::u16string text(kHeader);
  text.append(kLineEnd).append(kLineEnd);
  for (const RegExportKey& key : keys) {
    text.append(u"[").append(kRoot).append(WellFormed(key.path)).append(u"]").append(kLineEnd);
    for (const RegExportValue& value : key.values) AppendValue(text, value);
    text.append(kLineEnd);
  }
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  bytes.reserve(2 + 2 * text.size());
  for (const char16_t unit : text) AppendUnitLE(bytes, unit);
  return bytes;
}

}  // namespace quorvex::capture

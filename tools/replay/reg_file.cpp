#include "replay/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvex::replay {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4Header = "REGEDIT4";
constexpr std::string_view kBlanks = " \t";
// The hive the stand-in models; the short name is what reg.exe accepts on its command line.
constexpr std::string_view kLocalMachineNames[] = {"HKEY_LOCAL_MACHINE", "HKLM"};
// UTF-8 of U+FFFD, for a lone surrogate in UTF-16 value data.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct Line {
  std::size_t number;  // 1-based
  std::string text;
};

std::string LineError(std::size_t number, std::string_view message) {
  return "line " + std::to_string(number) + ": " + std::string(message);
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         standin::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::uint32_t Unit(const std::uint8_t* bytes, std::size_t i) {
  return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

// UTF-16LE units from `bytes` to UTF-8. An odd last byte is not a unit and is
// dropped, as the narrow registry functions drop it. A lone surrogate becomes
// U+FFFD, or, when `badUnit` is given, stops the conversion and is reported there.
std::optional<std::string> Utf16ToUtf8(const std::uint8_t* bytes, std::size_t size,
                                       std::size_t* badUnit = nullptr) {
  std::string out;
  const std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t first = Unit(bytes, i);
    const bool high = first >= 0xD800 && first < 0xDC00;
    if (high && i + 1 < units && Unit(bytes, i + 1) >= 0xDC00 && Unit(bytes, i + 1) < 0xE000) {
      AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (Unit(bytes, i + 1) - 0xDC00));
      ++i;
    } else if (first >= 0xD800 && first < 0xE000) {
      if (badUnit != nullptr) {
        *badUnit = i;
        return std::nullopt;
      }
      out.append(kReplacement);
    } else {
      AppendUtf8(out, first);
    }
  }
  return out;
}

// The line a UTF-16 unit stands on, for errors found while decoding.
std::size_t LineOfUnit(const std::uint8_t* bytes, std::size_t unit) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < unit; ++i) line += Unit(bytes, i) == '\n' ? 1 : 0;
  return line;
}

// The file as UTF-8 text: UTF-16LE when it starts with its byte-order mark,
// otherwise the bytes as they are (after a UTF-8 byte-order mark, if any).
std::optional<std::string> DecodeFile(const standin::Bytes& file, std::string& error) {
  const bool utf16 = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
  if (!utf16) {
    const bool utf8Mark = file.size() >= 3 && file[0] == 0xEF && file[1] == 0xBB && file[2] == 0xBF;
    return std::string(file.begin() + (utf8Mark ? 3 : 0), file.end());
  }
  const std::uint8_t* units = file.data() + 2;
  const std::size_t size = file.size() - 2;
  if (size % 2 != 0) {
    error = LineError(LineOfUnit(units, size / 2), "the UTF-16 file ends in half a character");
    return std::nullopt;
  }
  std::size_t badUnit = 0;
  std::optional<std::string> text = Utf16ToUtf8(units, size, &badUnit);
  if (!text) error = LineError(LineOfUnit(units, badUnit), "a lone UTF-16 surrogate");
  return text;
}

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back({lines.size() + 1, std::move(line)});
    start = end + 1;
  }
  return lines;
}

struct Parser {
  explicit Parser(standin::Registry& target) : registry(target) {}
  standin::Registry& registry;
  bool version5 = false;           // string types given as hex are UTF-16 there
  std::optional<std::string> key;  // the key that values go to; none before the first
  std::string error;

  bool Fail(std::size_t line, std::string_view message) {
    error = LineError(line, message);
    return false;
  }
};

// The key path below HKEY_LOCAL_MACHINE that a section names.
std::optional<std::string> LocalMachinePath(std::string_view name) {
  for (std::string_view root : kLocalMachineNames) {
    if (StartsWithIgnoreCase(name, root) && name.size() > root.size() + 1 &&
        name[root.size()] == '\\') {
      std::string path(name.substr(root.size() + 1));
      const bool emptyPart =
          path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos;
      if (!emptyPart) return path;
    }
  }
  return std::nullopt;
}

bool ParseSection(Parser& parser, const Line& line, std::string_view text) {
  if (text.size() < 3 || text.back() != ']')
    return parser.Fail(line.number, "a key line must end in ]");
  std::string_view name = text.substr(1, text.size() - 2);
  const bool remove = name.front() == '-';
  if (remove) name.remove_prefix(1);
  const std::optional<std::string> path = LocalMachinePath(name);
  if (!path) {
    return parser.Fail(line.number, "not a key below HKEY_LOCAL_MACHINE: " + std::string(name));
  }
  if (remove) {
    parser.registry.Remove(*path);
    parser.key.reset();
  } else {
    parser.registry.Key(*path);
    parser.key = *path;
  }
  return true;
}

// A quoted text from text[pos] == '"', with regedit's escapes (and the line
// breaks Wine's reg.exe escapes); pos ends past the closing quote.
std::optional<std::string> QuotedText(std::string_view text, std::size_t& pos) {
  std::string out;
  for (++pos; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++pos == text.size()) return std::nullopt;
    const char escaped = text[pos];
    if (escaped == '\\' || escaped == '"') {
      out.push_back(escaped);
    } else if (escaped == 'n' || escaped == 'r' || escaped == '0') {
      out.push_back(escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : '\0');
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> HexNumber(std::string_view digits, std::size_t maxDigits) {
  if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const std::size_t digit =
        std::string_view("0123456789abcdef")
            .find(static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c));
    if (digit == std::string_view::npos) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// "01,ab, 7f" and so on; a comma may end the list, as it does before a line continuation.
std::optional<standin::Bytes> HexBytes(std::string_view list) {
  standin::Bytes bytes;
  list = Trim(list);
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::optional<std::uint32_t> byte = HexNumber(Trim(list.substr(start, comma - start)), 2);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    start = comma + 1;
  }
  return bytes;
}

struct ValueData {
  bool remove = false;
  DWORD type = REG_NONE;
  standin::Bytes data;
};

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// hex:..., hex(N):...; `rest` starts after "hex".
std::optional<ValueData> ParseHexData(std::string_view rest, bool version5) {
  ValueData value{false, REG_BINARY, {}};
  if (!rest.empty() && rest.front() == '(') {
    const std::size_t close = rest.find(')');
    if (close == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint32_t> type = HexNumber(rest.substr(1, close - 1), 8);
    if (!type) return std::nullopt;
    value.type = *type;
    rest.remove_prefix(close + 1);
  }
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  std::optional<standin::Bytes> bytes = HexBytes(rest.substr(1));
  if (!bytes) return std::nullopt;
  // Version 5 stores string types as UTF-16; the narrow functions return them converted.
  if (version5 && IsStringType(value.type)) {
    const std::string narrow = *Utf16ToUtf8(bytes->data(), bytes->size());
    bytes = standin::BytesOf(narrow);
  }
  value.data = std::move(*bytes);
  return value;
}

std::optional<ValueData> ParseData(std::string_view data, bool version5) {
  data = Trim(data);
  if (data == "-") return ValueData{true, REG_NONE, {}};
  if (!data.empty() && data.front() == '"') {
    std::size_t pos = 0;
    const std::optional<std::string> text = QuotedText(data, pos);
    if (!text || !Trim(data.substr(pos)).empty()) return std::nullopt;
    return ValueData{false, REG_SZ, standin::TextValue(*text)};
  }
  if (StartsWithIgnoreCase(data, "dword:")) {
    const std::optional<std::uint32_t> number = HexNumber(Trim(data.substr(6)), 8);
    if (!number) return std::nullopt;
    standin::Bytes bytes;
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(*number >> shift));
    return ValueData{false, REG_DWORD, std::move(bytes)};
  }
  if (StartsWithIgnoreCase(data, "hex")) return ParseHexData(data.substr(3), version5);
  return std::nullopt;
}

bool ParseValue(Parser& parser, std::size_t line, std::string_view text) {
  if (!parser.key) return parser.Fail(line, "a value outside a key");
  std::string name;  // @ is the key's default value, whose name is empty
  std::size_t pos = 1;
  if (text.front() == '"') {
    pos = 0;
    const std::optional<std::string> quoted = QuotedText(text, pos);
    if (!quoted)
      return parser.Fail(line, "a value name must be quoted and use only \\\\ and \\\" escapes");
    name = *quoted;
  }
  const std::string_view rest = Trim(text.substr(pos));
  if (rest.empty() || rest.front() != '=') return parser.Fail(line, "no = after the value name");
  const std::optional<ValueData> value = ParseData(rest.substr(1), parser.version5);
  if (!value)
    return parser.Fail(line, "unreadable value data: " + std::string(Trim(rest.substr(1))));
  if (value->remove) {
    parser.registry.RemoveValue(*parser.key, name);
  } else {
    parser.registry.Set(*parser.key, name, value->type, value->data);
  }
  return true;
}

// A line that ends in a backslash continues on the next (regedit wraps long hex lists so).
bool ParseValueLines(Parser& parser, const std::vector<Line>& lines, std::size_t& index) {
  const std::size_t first = lines[index].number;
  std::string logical(Trim(lines[index].text));
  while (!logical.empty() && logical.back() == '\\') {
    if (++index == lines.size())
      return parser.Fail(first, "the value continues past the end of the file");
    logical.pop_back();
    logical.append(Trim(lines[index].text));
  }
  return ParseValue(parser, first, logical);
}

bool ParseBody(Parser& parser, const std::vector<Line>& lines) {
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view text = Trim(lines[i].text);
    if (text.empty() || text.front() == ';') continue;
    bool parsed = false;
    if (text.front() == '[') {
      parsed = ParseSection(parser, lines[i], text);
    } else if (text.front() == '"' || text.front() == '@') {
      parsed = ParseValueLines(parser, lines, i);
    } else {
      parsed = parser.Fail(lines[i].number, "neither a key, a value nor a comment");
    }
    if (!parsed) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ApplyRegFile(const standin::Bytes& file, standin::Registry& registry) {
  std::string error;
  const std::optional<std::string> text = DecodeFile(file, error);
  if (!text) return error;
  const std::vector<Line> lines = SplitLines(*text);
  Parser parser(registry);
  const std::string_view header = Trim(lines.front().text);
  if (header == kVersion5Header) {
    parser.version5 = true;
  } else if (header != kVersion4Header) {
    return LineError(1, "not a registry export: the first line must be \"" +
                            std::string(kVersion5Header) + "\" or \"" +
                            std::string(kVersion4Header) + "\"");
  }
  if (!ParseBody(parser, lines)) return parser.error;
  return std::nullopt;
}

}  // namespace quorvex::replay

#include "quorvex/machine_keys.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

#include "report/key_walk.h"

namespace quorvex {
namespace {

// UUIDs that firmware vendors ship unchanged on whole product lines: the
// first is the byte order of SMBIOS 2.6 and later, the second the same
// bytes read the older way.
constexpr std::string_view kDummyUuids[] = {
    "03000200-0400-0500-0006-000700080009",
    "00020003-0004-0005-0006-000700080009",
};

// What board makers leave in the fields they were meant to fill in, as seen
// in real tables; compared ignoring ASCII case.
// clang-format off
constexpr std::string_view kFillers[] = {
    "To Be Filled By O.E.M.", "To Be Filled By OEM", "To be filled", "Default string", "Default",
    "System Serial Number", "System Product Name", "System manufacturer", "System Version",
    "Chassis Serial Number", "Chassis Manufacture", "Base Board Serial Number",
    "BaseBoard Serial Number", "Not Specified", "Not Applicable", "Not Available", "Not Present",
    "Not Defined", "Unspecified", "None", "Unknown", "N/A", "NA", "OEM", "O.E.M.", "Invalid",
    "Empty", "Null", "SSN", "Serial Number", "SerialNumber", "Asset Tag", "Asset Tag Number",
    "No Asset Tag", "No Asset Information", "0123456789", "123456789", "1234567890",
    "0123456789ABCDEF",
};
// clang-format on

// Indexed by KeyQuality.
constexpr std::string_view kQualityNames[] = {"usable",   "absent",     "empty",
                                              "repeated", "dummy-uuid", "filler"};

// Blanks pad a value without being part of it. CR, LF and NUL count too:
// a text cut from a fixed-size field or a line of a file often ends in one.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

template <std::size_t N>
bool OneOf(const std::string_view (&texts)[N], std::string_view value) {
  return std::any_of(std::begin(texts), std::end(texts),
                     [&](std::string_view text) { return EqualIgnoringAsciiCase(text, value); });
}

// The value without the blanks at either end.
std::string_view TrimKeyBlanks(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  return value;
}

// "00000000", "FFFF-FFFF", "----": hyphens and blanks aside, at most one byte value.
bool IsOneByteRepeated(std::string_view value) {
  std::optional<char> seen;
  for (const char c : value) {
    if (c == '-' || IsBlank(c)) continue;
    if (seen && *seen != c) return false;
    seen = c;
  }
  return true;
}

bool StartsWithIgnoringAsciiCase(std::string_view value, std::string_view prefix) {
  return value.size() >= prefix.size() &&
         EqualIgnoringAsciiCase(value.substr(0, prefix.size()), prefix);
}

constexpr KeyKindInfo kUnknownKind = {KeyKind{}, "unknown", "", "", false, "", ""};

constexpr bool RowsInKindOrder() {
  for (std::size_t row = 0; row < std::size(kKeyKinds); ++row) {
    if (static_cast<std::size_t>(kKeyKinds[row].kind) != row) return false;
  }
  return true;
}
static_assert(RowsInKindOrder(), "kKeyKinds is indexed by KeyKind");

// The value as the one rule leaves it, but for the case: a view into
// `value`, so kept inside, where no temporary is passed.
std::string_view BareKeyValue(KeyKind kind, std::string_view value) {
  value = TrimKeyBlanks(value);
  if (!InfoOf(kind).uuid) return value;
  if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
    value = TrimKeyBlanks(value.substr(1, value.size() - 2));
  }
  if (StartsWithIgnoringAsciiCase(value, "GPU-")) value.remove_prefix(4);
  return value;
}

}  // namespace

std::string_view QualityName(KeyQuality quality) {
  return kQualityNames[static_cast<std::size_t>(quality)];
}

const KeyKindInfo& InfoOf(KeyKind kind) {
  const auto row = static_cast<std::size_t>(kind);
  return row < std::size(kKeyKinds) ? kKeyKinds[row] : kUnknownKind;
}

std::string_view KeyKindName(KeyKind kind) { return InfoOf(kind).name; }

std::optional<KeyKind> KeyKindNamed(std::string_view name) {
  for (const KeyKindInfo& info : kKeyKinds) {
    if (info.name == name) return info.kind;
  }
  return std::nullopt;
}

KeyQuality JudgeKey(KeyKind kind, std::optional<std::string_view> bytes) {
  if (!bytes) return KeyQuality::kAbsent;
  const std::string_view value = BareKeyValue(kind, *bytes);
  if (value.empty()) return KeyQuality::kEmpty;
  if (IsOneByteRepeated(value)) return KeyQuality::kRepeated;
  if (OneOf(kDummyUuids, value)) return KeyQuality::kDummyUuid;
  if (OneOf(kFillers, value)) return KeyQuality::kFiller;
  return KeyQuality::kUsable;
}

std::optional<KeyKind> KeyKindAt(std::string_view container, std::string_view field) {
  for (const KeyKindInfo& info : kKeyKinds) {
    // The field first: most fields are no key, and most differ from a key's in length.
    if (info.field == field && info.container == container) return info.kind;
  }
  return std::nullopt;
}

void AppendKeyPointer(std::string& out, KeyKind kind, const KeyPlace& place) {
  const KeyKindInfo& info = InfoOf(kind);
  char digits[24];
  const auto number = [&](std::size_t n) {
    out.append(digits, static_cast<std::size_t>(
                           std::to_chars(std::begin(digits), std::end(digits), n).ptr - digits));
  };
  if (info.container == "adapter") {
    out += "/nvidia/adapters/";
    number(place.element);
    out += "/uuids/";
    number(place.item);
    return;
  }
  out += info.container == "drive" ? "/drives/" : "/smbios/structures/";
  number(place.element);
  out += '/';
  out += info.field;
}

std::string KeyPointer(const MachineKey& key) {
  std::string pointer;
  AppendKeyPointer(pointer, key.kind, key.place);
  return pointer;
}

std::vector<MachineKey> MachineKeys(const Identities& identities) {
  std::vector<MachineKey> keys;
  WalkKeys(identities, [&](KeyKind kind, const void* /*where*/,
                           std::optional<std::string_view> bytes, const KeyPlace& place) {
    keys.push_back({kind, bytes ? std::optional<std::string>(*bytes) : std::nullopt,
                    JudgeKey(kind, bytes), place});
  });
  return keys;
}

std::string KeyPlaceName(const MachineKey& key) {
  std::string name(InfoOf(key.kind).place);
  name += ' ';
  name += std::to_string(key.place.number);
  if (key.kind == KeyKind::kGpuUuid) name += " UUID " + std::to_string(key.place.item);
  return name;
}

bool SameKeyValue(KeyKind kind, std::string_view a, std::string_view b) {
  a = BareKeyValue(kind, a);
  b = BareKeyValue(kind, b);
  return InfoOf(kind).uuid ? EqualIgnoringAsciiCase(a, b) : a == b;
}

std::uint64_t KeyValueHash(KeyKind kind, std::string_view value) {
  // FNV-1a, over the bytes as ComparableKey leaves them.
  const bool uuid = InfoOf(kind).uuid;
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (char c : BareKeyValue(kind, value)) {
    if (uuid) c = LowerAscii(c);
    hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3u;
  }
  return hash;
}

std::string ComparableKey(KeyKind kind, std::string_view value) {
  std::string comparable(BareKeyValue(kind, value));
  if (InfoOf(kind).uuid) {
    std::transform(comparable.begin(), comparable.end(), comparable.begin(), LowerAscii);
  }
  return comparable;
}

}  // namespace quorvex

// Any registry value as the UUID rules see it: byte 0 picks the driver-key or
// the device-key pass, byte 1 the length of the name, then the type and the
// size the call returned (32 bits each, little-endian), the name, and the
// rest as the data buffer. A line is only ever given for a marked name, and
// then only a text cut from the returned bytes or a well-formed binary UUID.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gpu/uuid_rules.h"
#include "platform/uuid_text.h"

namespace {

constexpr std::size_t kFixedBytes = 10;

std::uint32_t U32(const std::uint8_t* at) {
  std::uint32_t value = 0;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

bool IsBinaryUuidText(const std::string& text, const std::uint8_t* bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string expected;
  for (std::size_t i = 0; i < quorvex::kUuidBytes; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) expected += '-';
    expected += kHex[bytes[i] >> 4];
    expected += kHex[bytes[i] & 0xF];
  }
  return text == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kFixedBytes) return 0;
  const quorvex::UuidPassRules& rules =
      (data[0] & 1) != 0 ? quorvex::kDeviceKeyRules : quorvex::kDriverKeyRules;
  const std::size_t nameBytes = std::min<std::size_t>(data[1], size - kFixedBytes);
  const DWORD type = U32(data + 2);
  const std::uint32_t returned = U32(data + 6);
  const std::string name(reinterpret_cast<const char*>(data + kFixedBytes), nameBytes);
  // An exact-size copy, so that a read one past the buffer's end is caught.
  const std::vector<std::uint8_t> buffer(data + kFixedBytes + nameBytes, data + size);
  const std::optional<std::string> line = quorvex::UuidTextOf(
      rules, name, type, quorvex::ByteView(buffer.data(), buffer.size()), returned);

  bool marked = false;
  for (std::size_t i = 0; i < rules.markerCount; ++i) {
    const std::string_view marker = rules.nameMarkers[i];
    marked = marked || (!marker.empty() && name.find(marker) != std::string::npos);
  }
  const auto types = rules.textTypes.begin();
  const bool textType =
      std::find(types, types + rules.textTypeCount, type) != types + rules.textTypeCount;
  const std::size_t usable = std::min<std::size_t>(returned, buffer.size());
  const bool binaryUuid = type == REG_BINARY && usable >= quorvex::kUuidBytes;
  if (line.has_value() != (marked && (textType || binaryUuid))) __builtin_trap();
  if (!line) return 0;
  if (binaryUuid) {
    if (!IsBinaryUuidText(*line, buffer.data())) __builtin_trap();
    return 0;
  }
  // The text is the returned bytes up to the first NUL.
  const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(usable),
                             std::uint8_t{0});
  if (!std::equal(line->begin(), line->end(), buffer.begin(), end,
                  [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; })) {
    __builtin_trap();
  }
  return 0;
}

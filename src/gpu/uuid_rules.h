// Which registry values of an adapter's driver key and device key count as
// UUIDs, and the text each one prints. Plain data handling, no platform call.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_view.h"
#include "platform/win32.h"

namespace quorvex {

inline constexpr std::size_t kMaxNameMarkers = 3;
inline constexpr std::size_t kMaxTextTypes = 2;

// One pass over one key. Only the first markerCount markers and the first
// textTypeCount types are used, so an unused slot can never match.
struct UuidPassRules {
  DWORD keyType;  // what SetupDiOpenDevRegKey opens: DIREG_DRV or DIREG_DEV
  std::size_t markerCount;
  std::array<std::string_view, kMaxNameMarkers>
      nameMarkers;  // case-sensitive, anywhere in the name
  std::size_t textTypeCount;
  std::array<DWORD, kMaxTextTypes> textTypes;  // printed as stored, up to the first NUL
};

// The driver writes its own key with three spellings of the marker and may
// store a UUID as REG_EXPAND_SZ there; the device key is only read for the
// two capitalised spellings and plain strings. Binary UUIDs count in both.
inline constexpr UuidPassRules kUuidPassRules[] = {
    {DIREG_DRV, 3, {"UUID", "Uuid", "uuid"}, 2, {REG_SZ, REG_EXPAND_SZ}},
    {DIREG_DEV, 2, {"UUID", "Uuid", {}}, 1, {REG_SZ, {}}},
};
inline constexpr const UuidPassRules& kDriverKeyRules = kUuidPassRules[0];
inline constexpr const UuidPassRules& kDeviceKeyRules = kUuidPassRules[1];

bool NameHasUuidMarker(const UuidPassRules& rules, std::string_view name);

// A text value's text: the bytes up to the first NUL, never past the size the
// call returned nor past the buffer it filled.
std::string TextDatum(ByteView buffer, std::uint32_t returnedSize);

// The UUID text that one enumerated value gives, or nothing when it gives no line.
std::optional<std::string> UuidTextOf(const UuidPassRules& rules, std::string_view name, DWORD type,
                                      ByteView buffer, std::uint32_t returnedSize);

}  // namespace quorvex

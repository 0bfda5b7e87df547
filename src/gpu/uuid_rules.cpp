#include "gpu/uuid_rules.h"

#include <algorithm>

#include "platform/uuid_text.h"

namespace quorvex {

bool NameHasUuidMarker(const UuidPassRules& rules, std::string_view name) {
  const auto markers = rules.nameMarkers.begin();
  return std::any_of(markers, markers + rules.markerCount, [&](std::string_view marker) {
    return !marker.empty() && name.find(marker) != std::string_view::npos;
  });
}

std::string TextDatum(ByteView buffer, std::uint32_t returnedSize) {
  return buffer.Sub(0, returnedSize).TextAt(0);
}

std::optional<std::string> UuidTextOf(const UuidPassRules& rules, std::string_view name, DWORD type,
                                      ByteView buffer, std::uint32_t returnedSize) {
  if (!NameHasUuidMarker(rules, name)) return std::nullopt;
  const auto types = rules.textTypes.begin();
  if (std::find(types, types + rules.textTypeCount, type) != types + rules.textTypeCount) {
    // REG_EXPAND_SZ is printed as stored: the references name the driver's machine, not ours.
    return TextDatum(buffer, returnedSize);
  }
  if (type != REG_BINARY) return std::nullopt;
  // Bytes past the sixteenth are the driver's own and are not part of the UUID.
  const std::optional<UuidBytes> uuid = FirstUuidBytes(buffer.Sub(0, returnedSize));
  if (!uuid) return std::nullopt;
  return FormatBinaryUuid(*uuid);
}

}  // namespace quorvex

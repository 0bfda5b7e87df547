// The one walk over a record that finds its machine keys, for MachineKeys
// and for the identities document's "keys".
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "quorvex/identities.h"
#include "quorvex/machine_keys.h"

namespace quorvex {

// Calls visit(kind, where, bytes, place) for every machine key of
// `identities`, in report order: `where` is the record's member that holds
// the value, `bytes` the value (std::nullopt where it was not read).
template <class Visit>
void WalkKeys(const Identities& identities, Visit&& visit) {
  const auto& adapters = identities.nvidia.adapters;
  for (std::size_t a = 0; a < adapters.size(); ++a) {
    for (std::size_t u = 0; u < adapters[a].uuids.size(); ++u) {
      const std::string& value = adapters[a].uuids[u];
      visit(KeyKind::kGpuUuid, static_cast<const void*>(&value),
            std::optional<std::string_view>(value), KeyPlace{a, u, adapters[a].index});
    }
  }
  for (std::size_t d = 0; d < identities.drives.size(); ++d) {
    const std::optional<std::string>& value = identities.drives[d].serialNumber;
    visit(KeyKind::kDriveSerial, static_cast<const void*>(&value),
          std::optional<std::string_view>(value), KeyPlace{d, 0, identities.drives[d].number});
  }
  if (identities.smbios.fetchFailed) return;
  std::size_t ordinals[std::size(kKeyKinds)] = {};
  const auto& structures = identities.smbios.structures;
  for (std::size_t s = 0; s < structures.size(); ++s) {
    for (const Identities::Field& field : structures[s].fields) {
      const std::optional<KeyKind> kind = KeyKindAt(structures[s].kind, field.name);
      if (!kind) continue;
      const std::size_t ordinal = ordinals[static_cast<std::size_t>(*kind)]++;
      visit(*kind, static_cast<const void*>(&field.value),
            std::optional<std::string_view>(field.value),
            KeyPlace{s, 0, static_cast<std::int64_t>(ordinal)});
    }
  }
}

// Appends the RFC 6901 pointer to a key of `kind` at `place` in its
// identities document.
void AppendKeyPointer(std::string& out, KeyKind kind, const KeyPlace& place);

}  // namespace quorvex

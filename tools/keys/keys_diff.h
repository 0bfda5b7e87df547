// --diff: which machine keys changed between two identities documents, the
// question a licence or an activation that no longer knows the machine
// raises after a drive swap, a board replaced or a firmware update.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "quorvex/machine_keys.h"

namespace quorvex::keys {

enum class KeyChangeKind { kChanged, kAdded, kRemoved };

struct KeyChange {
  const MachineKeyKind* kind = nullptr;
  KeyChangeKind change = KeyChangeKind::kChanged;
  const MachineKey* before = nullptr;  // nullptr for an added key
  const MachineKey* after = nullptr;   // nullptr for a removed key
};

struct KeyDiff {
  // Kind by kind in kMachineKeyKinds' order; within a kind the changed and
  // removed keys in `before`'s order, then the added ones in `after`'s.
  std::vector<KeyChange> changes;
  std::size_t unchanged = 0;
};

// Pairs the keys kind by kind. First each key of `before`, in its order,
// takes the first key of `after` not yet taken whose value is the same
// (both absent, or equal as ComparableKey makes them): that pair is
// unchanged, wherever the two keys stand, since Windows renumbers drives
// and a list can gain an element in front. Then each key of `before` left
// takes the one of `after` left at the same place (KeyPlace::number, and
// for a GPU UUID its item): changed. The keys left after that were removed
// from `before` or added in `after`. The result points into both lists.
KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after);

// For a person: a line per change (the place, the kind, the change, the
// values as the report shows them), then the count of unchanged keys.
// On a console the values' controls are made visible.
void WriteDiffText(const KeyDiff& diff, bool console, std::ostream& out);

// One quorvex-diff document, version 2 (docs/quorvex-diff.schema.json), and a line end.
void WriteDiffJson(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
                   std::ostream& out);

}  // namespace quorvex::keys

// --diff: which machine keys changed between two identities documents, the
// question a licence or an activation that no longer knows the machine
// raises after a drive swap, a board replaced or a firmware update.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "keys/document_keys.h"

namespace quorvex::keys {

enum class KeyChangeKind { kChanged, kAdded, kRemoved };

struct KeyChange {
  const MachineKeyKind* kind = nullptr;
  std::size_t ordinal = 0;  // the key's place among the keys of its kind, from 0
  KeyChangeKind change = KeyChangeKind::kChanged;
  const MachineKey* before = nullptr;  // nullptr for an added key
  const MachineKey* after = nullptr;   // nullptr for a removed key
};

struct KeyDiff {
  std::vector<KeyChange> changes;  // kind by kind in kMachineKeyKinds' order, then by ordinal
  std::size_t unchanged = 0;
};

// Matches the keys kind by kind, ordinal i of `before` with ordinal i of
// `after`. Two values are the same when both are absent, or both are there
// and equal as ComparableKey makes them. The result points into both lists.
KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after);

// For a person: a line per change, then the count of unchanged keys.
void WriteDiffText(const KeyDiff& diff, std::ostream& out);

// One quorvex-diff document (docs/quorvex-diff.schema.json) and a line end.
void WriteDiffJson(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
                   std::ostream& out);

// Either, on standard output, the text made visible if it is a console.
// Returns the exit status diff(1) gives: 0 when nothing changed, 1 when
// something did.
int PrintDiff(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
              bool json);

}  // namespace quorvex::keys

// --diff's output: the changes DiffKeys finds, for a person or as a document.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "quorvex/machine_keys.h"

namespace quorvex::keys {

// For a person: a line per change (the place, the kind, the change, the
// values as the report shows them), then the count of unchanged keys.
// On a console the values' controls are made visible.
void WriteDiffText(const KeyDiff& diff, bool console, std::ostream& out);

// One quorvex-diff document, version 2 (docs/quorvex-diff.schema.json), and a line end.
void WriteDiffJson(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
                   std::ostream& out);

}  // namespace quorvex::keys

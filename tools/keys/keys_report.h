// --keys: the machine keys of any number of captures, each judged, and the
// usable values that two or more of them carry, which is where a fleet's
// machines would be taken for one another.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "quorvex/machine_keys.h"

namespace quorvex::keys {

struct CaptureKeys {
  std::string name;  // the capture as it was named on the command line
  std::vector<MachineKey> keys;
};

// For a person: one table per capture (kind, quality, how many other
// captures share the value, the value as the report shows it), then the
// values shared by two or more captures. On a console names and values
// have their controls made visible.
void WriteKeysText(const std::vector<CaptureKeys>& captures, bool console, std::ostream& out);

// One quorvex-keys document (docs/quorvex-keys.schema.json) and a line end.
void WriteKeysJson(const std::vector<CaptureKeys>& captures, std::ostream& out);

}  // namespace quorvex::keys

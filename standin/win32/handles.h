// Registry key handles shared by the device installer (SetupDiOpenDevRegKey)
// and the registry functions, which close what the installer opened.
#pragma once

#include <string>

#include "platform/standin/machine.h"

namespace quorvex::standin {

// A new handle for the key at `path` (relative to HKEY_LOCAL_MACHINE), counted as opened.
HKEY OpenKeyHandle(Machine& machine, std::string path);
// The path of an open key handle, or nothing when the handle is not open.
const std::string* OpenKeyPath(const Machine& machine, HKEY key);

}  // namespace quorvex::standin

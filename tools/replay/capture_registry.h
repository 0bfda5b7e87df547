// The display adapters that a captured registry describes, as the device
// installer would list them from it.
#pragma once

#include <vector>

#include "standin/model/machine.h"

namespace quorvex::replay {

// The keys exactly three levels below SYSTEM\CurrentControlSet\Enum whose
// ClassGUID names the display class, in the order the keys were written.
std::vector<standin::DisplayAdapter> DisplayAdaptersIn(const standin::Registry& registry);

}  // namespace quorvex::replay

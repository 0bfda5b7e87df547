// The display device set as the report walks it. The capture tool walks it
// through the same calls, so that both see the same devices in the same order
// and skip the same ones.
#pragma once

#include <optional>
#include <string>

#include "platform/scoped_win32.h"
#include "platform/win32.h"

namespace quorvex {

// The present devices of the display class; not valid when the set cannot be made.
ScopedDevInfo OpenDisplayDevices();

// The device's instance id, or nothing when it cannot be read or does not
// fit the buffer.
std::optional<std::string> InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA& device);

}  // namespace quorvex

// Handles the entry points share: registry key handles, which the device
// installer (SetupDiOpenDevRegKey) hands out and the registry functions read
// and close, and the taking back of any handle.
#pragma once

#include <map>
#include <string>

#include "standin/model/machine.h"
#include "standin/win32/observer.h"

namespace quorvex::standin {

// A new handle for the key at `path` (relative to HKEY_LOCAL_MACHINE).
HKEY OpenKeyHandle(Machine& machine, std::string path);
// The path of an open key handle, or nothing when the handle is not open.
const std::string* OpenKeyPath(const Machine& machine, HKEY key);

// Takes back one handed-out handle: true when it was open. Anything else (a
// second close, a handle never handed out) is told as a bad release.
template <class Handle, class What>
bool Release(std::map<Handle, What>& open, Handle handle, observe::Object what) {
  const bool wasOpen = open.erase(handle) != 0;
  observe::Closed(what, wasOpen);
  return wasOpen;
}

}  // namespace quorvex::standin

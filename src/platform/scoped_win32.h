// The owners of the Win32 handles the collectors open.
#pragma once

#include "platform/scoped.h"
#include "platform/win32.h"

namespace quorvex {

struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Free(Handle h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  // SetupDiOpenDevRegKey reports failure as INVALID_HANDLE_VALUE, RegOpenKeyExA as NULL.
  static Handle Invalid() { return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE); }
  static void Free(Handle h) { ::RegCloseKey(h); }
};

struct DevInfoTraits {
  using Handle = HDEVINFO;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Free(Handle h) { ::SetupDiDestroyDeviceInfoList(h); }
};

using ScopedFile = Scoped<FileTraits>;
using ScopedRegKey = Scoped<RegKeyTraits>;
using ScopedDevInfo = Scoped<DevInfoTraits>;

}  // namespace quorvex

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

// The console's output code page switched for as long as the guard lives,
// then put back as it was found: the console is the user's shell's, which
// goes on after the program ends. Without a console GetConsoleOutputCP
// answers 0, there is nothing to put back, and the switch fails harmlessly:
// the bytes written are the same either way.
class ScopedConsoleOutputCodePage {
 public:
  explicit ScopedConsoleOutputCodePage(UINT codePage)
      : found_(::GetConsoleOutputCP()), switchedTo_(codePage) {
    ::SetConsoleOutputCP(codePage);
  }
  ScopedConsoleOutputCodePage(const ScopedConsoleOutputCodePage&) = delete;
  ScopedConsoleOutputCodePage& operator=(const ScopedConsoleOutputCodePage&) = delete;
  ~ScopedConsoleOutputCodePage() {
    if (found_ != 0 && found_ != switchedTo_) ::SetConsoleOutputCP(found_);
  }

 private:
  UINT found_;
  UINT switchedTo_;
};

using ScopedFile = Scoped<FileTraits>;
using ScopedRegKey = Scoped<RegKeyTraits>;
using ScopedDevInfo = Scoped<DevInfoTraits>;

}  // namespace quorvex

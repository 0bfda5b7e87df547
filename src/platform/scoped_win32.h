// One small owner per kind of Win32 handle. Win32 reports a missing handle as
// NULL or as INVALID_HANDLE_VALUE depending on the call, so both count as
// "nothing to release".
#pragma once

#include <utility>

#include "platform/win32.h"

namespace quorvex {

template <class Traits>
class Scoped {
 public:
  using Handle = typename Traits::Handle;

  explicit Scoped(Handle h = Traits::Invalid()) noexcept : h_(h) {}
  Scoped(Scoped&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  Scoped(const Scoped&) = delete;  // with the move above, this also rules out assignment
  ~Scoped() {
    if (IsValid()) Traits::Free(h_);
  }

  bool IsValid() const noexcept { return h_ != nullptr && h_ != Traits::Invalid(); }
  Handle Get() const noexcept { return h_; }
  // For out-parameters such as RegOpenKeyExA's; only on an empty guard.
  Handle* Receive() noexcept { return &h_; }

 private:
  Handle h_;
};

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

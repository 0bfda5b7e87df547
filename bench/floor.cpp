// The cheapest program that starts the way quorvex.exe starts: built by the
// same toolchain with the same flags, statically linked, importing the same
// system DLLs, printing one line through iostreams and reading one character.
// Timing the tool against it leaves only the tool's own work in the ratio.
#include <iostream>

#include "platform/win32.h"

int main() {
  // One call into each DLL besides kernel32 keeps both imports in the binary,
  // so the loader maps and initialises them just as it does for the tool.
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }

  std::cout << "floor" << std::endl;
  std::cin.get();
  return 0;
}

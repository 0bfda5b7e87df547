// The observer of a program that only wants the machine's answers, the
// stand-in's own unless a program links the recorder: it keeps nothing and
// asks for no fault.
#include "standin/win32/observer.h"

namespace quorvex::standin::observe {

void Opened(Object) {}
void Closed(Object, bool) {}
void SetConsoleOutputCP(UINT) {}
void GetConsoleMode(bool, const DWORD*) {}
void CreateFileA(LPCSTR, DWORD, DWORD, const void*, DWORD, DWORD, HANDLE) {}
void DeviceIoControl(DWORD, const void*, DWORD, const void*, DWORD, const DWORD*, const void*) {}
void GetSystemFirmwareTable(DWORD, DWORD, const void*, DWORD) {}
void SetupDiGetClassDevsA(const GUID*, PCSTR, HWND, DWORD) {}
void SetupDiEnumDeviceInfo(DWORD) {}
void SetupDiGetDeviceInstanceIdA(DWORD, const char*, DWORD, const DWORD*) {}
void SetupDiGetDeviceRegistryPropertyA(DWORD, DWORD, const DWORD*, const BYTE*, DWORD,
                                       const DWORD*) {}
void SetupDiOpenDevRegKey(DWORD, DWORD, DWORD, DWORD, REGSAM) {}
void RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM) {}
void RegEnumValueA(DWORD, const char*, const DWORD*, const DWORD*, const BYTE*, const DWORD*) {}
void RegQueryValueExA(LPCSTR, const DWORD*, const DWORD*, const BYTE*, const DWORD*) {}
bool InstanceIdFails(DWORD) { return false; }
std::optional<LONG> EnumValueFails(std::string_view, DWORD) { return std::nullopt; }
const std::vector<std::uint8_t>* FirmwareAtFetch() { return nullptr; }

}  // namespace quorvex::standin::observe

// What the stand-in's Win32 functions tell as they answer: every call with its
// arguments as they came in, every object handed out or taken back, and the
// faults a test may ask for. Chosen at link time: the tests link the recorder
// (standin/recorder/), which keeps it all; every other program gets the
// silent observer that comes with the entry points, which keeps nothing and
// asks for no fault.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace quorvex::standin::observe {

enum class Object { kFile, kKey, kSet };
void Opened(Object what);
// `wasOpen` is false for a handle that was not handed out or was closed already.
void Closed(Object what, bool wasOpen);

// The calls, before they are answered: buffers as the caller filled them.
// `device` is the adapter's index in the machine, or kNoDevice.
inline constexpr DWORD kNoDevice = 0xFFFFFFFF;
void SetConsoleOutputCP(UINT codePage);
void GetConsoleMode(bool standardOutput, const DWORD* mode);
void CreateFileA(LPCSTR path, DWORD access, DWORD share, const void* security, DWORD disposition,
                 DWORD flags, HANDLE templateFile);
void DeviceIoControl(DWORD code, const void* in, DWORD inSize, const void* out, DWORD outSize,
                     const DWORD* returned, const void* overlapped);
void GetSystemFirmwareTable(DWORD provider, DWORD table, const void* buffer, DWORD size);
void SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
void SetupDiEnumDeviceInfo(DWORD index);
void SetupDiGetDeviceInstanceIdA(DWORD device, const char* id, DWORD size, const DWORD* required);
void SetupDiGetDeviceRegistryPropertyA(DWORD device, DWORD property, const DWORD* type,
                                       const BYTE* buffer, DWORD size, const DWORD* required);
void SetupDiOpenDevRegKey(DWORD device, DWORD scope, DWORD profile, DWORD keyType, REGSAM access);
void RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access);
void RegEnumValueA(DWORD index, const char* name, const DWORD* nameSize, const DWORD* reserved,
                   const BYTE* data, const DWORD* dataSize);
void RegQueryValueExA(LPCSTR name, const DWORD* reserved, const DWORD* type, const BYTE* data,
                      const DWORD* dataSize);

// Faults. SetupDiGetDeviceInstanceIdA fails for the device.
bool InstanceIdFails(DWORD device);
// RegEnumValueA answers this error at the index of the key at `keyPath`.
std::optional<LONG> EnumValueFails(std::string_view keyPath, DWORD index);
// The firmware table as the fetch finds it, when it changed after the size query.
const std::vector<std::uint8_t>* FirmwareAtFetch();

}  // namespace quorvex::standin::observe

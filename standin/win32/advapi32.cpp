// Registry calls answered from the stand-in machine's HKEY_LOCAL_MACHINE.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "standin/model/machine.h"
#include "standin/win32/handles.h"
#include "standin/win32/observer.h"

using quorvex::standin::Machine;
using quorvex::standin::RegValue;
using quorvex::standin::TheMachine;
namespace observe = quorvex::standin::observe;

namespace {

// The values of an open key; a key that exists only as the parent of others has none.
const std::vector<RegValue>* ValuesOf(const Machine& machine, HKEY key) {
  static const std::vector<RegValue> kNone;
  const std::string* path = quorvex::standin::OpenKeyPath(machine, key);
  if (path == nullptr) return nullptr;
  const quorvex::standin::RegKeyData* data = machine.registry.Find(*path);
  return data ? &data->values : &kNone;
}

// The path a subkey names below `parent`: HKEY_LOCAL_MACHINE itself or an open key.
std::optional<std::string> SubKeyPath(const Machine& machine, HKEY parent, const std::string& sub) {
  std::string base;
  if (parent != HKEY_LOCAL_MACHINE) {
    const std::string* path = quorvex::standin::OpenKeyPath(machine, parent);
    if (path == nullptr) return std::nullopt;
    base = *path;
  }
  if (sub.empty()) return base;
  return base.empty() ? sub : base + "\\" + sub;
}

// Writes the data as Windows does: its size always, the bytes only when they fit.
LONG AnswerData(const RegValue& value, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (type != nullptr) *type = value.type;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const DWORD room = *dataSize;
  *dataSize = static_cast<DWORD>(value.data.size());
  if (data == nullptr) return ERROR_SUCCESS;
  if (value.data.size() > room) return ERROR_MORE_DATA;
  if (!value.data.empty()) std::memcpy(data, value.data.data(), value.data.size());
  return ERROR_SUCCESS;
}

}  // namespace

namespace quorvex::standin {

HKEY OpenKeyHandle(Machine& machine, std::string path) {
  thread_local std::uintptr_t next = 0x4001;
  HKEY key = reinterpret_cast<HKEY>(next);
  next += 2;
  machine.open.keys[key] = std::move(path);
  observe::Opened(observe::Object::kKey);
  return key;
}

const std::string* OpenKeyPath(const Machine& machine, HKEY key) {
  const auto open = machine.open.keys.find(key);
  return open == machine.open.keys.end() ? nullptr : &open->second;
}

}  // namespace quorvex::standin

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
  Machine& machine = TheMachine();
  const std::string sub = lpSubKey ? lpSubKey : "";
  observe::RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired);
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;  // Windows clears the result on every failure
  const std::optional<std::string> path = SubKeyPath(machine, hKey, sub);
  if (!path) return ERROR_INVALID_HANDLE;
  if (!path->empty() && !machine.registry.Exists(*path)) return ERROR_FILE_NOT_FOUND;
  *phkResult = quorvex::standin::OpenKeyHandle(machine, *path);
  return ERROR_SUCCESS;
}

// The name must fit with its NUL; the count written back excludes the NUL.
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  Machine& machine = TheMachine();
  observe::RegEnumValueA(dwIndex, lpValueName, lpcchValueName, lpReserved, lpData, lpcbData);
  const std::vector<RegValue>* values = ValuesOf(machine, hKey);
  if (values == nullptr) return ERROR_INVALID_HANDLE;
  if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
      (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  if (dwIndex >= values->size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& value = (*values)[dwIndex];
  if (const auto fault =
          observe::EnumValueFails(*quorvex::standin::OpenKeyPath(machine, hKey), dwIndex)) {
    return *fault;
  }
  if (value.name.size() + 1 > *lpcchValueName) return ERROR_MORE_DATA;
  std::memcpy(lpValueName, value.name.c_str(), value.name.size() + 1);
  *lpcchValueName = static_cast<DWORD>(value.name.size());
  return AnswerData(value, lpType, lpData, lpcbData);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
  const std::string name = lpValueName ? lpValueName : "";
  observe::RegQueryValueExA(lpValueName, lpReserved, lpType, lpData, lpcbData);
  const std::vector<RegValue>* values = ValuesOf(TheMachine(), hKey);
  if (values == nullptr) return ERROR_INVALID_HANDLE;
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto value = std::find_if(values->begin(), values->end(), [&](const RegValue& v) {
    return quorvex::standin::EqualsIgnoreCase(v.name, name);
  });
  if (value == values->end()) return ERROR_FILE_NOT_FOUND;
  return AnswerData(*value, lpType, lpData, lpcbData);
}

LONG RegCloseKey(HKEY hKey) {
  return quorvex::standin::Release(TheMachine().open.keys, hKey, observe::Object::kKey)
             ? ERROR_SUCCESS
             : ERROR_INVALID_HANDLE;
}

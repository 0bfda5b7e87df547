// The in-memory machine behind the stand-in Win32 functions: what each drive,
// the firmware table, the device installer and the registry answer, and a
// record of every call made to them, so that tests can check the exact
// arguments and that everything opened was released.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/standin/win32_api.h"

namespace quorvex::standin {

using Bytes = std::vector<std::uint8_t>;

// \\.\PhysicalDriveN. A drive number missing from Machine::drives fails to open.
struct Drive {
  bool requestFails = false;
  Bytes response;              // copied to the start of the caller's buffer, cut at its size
  std::uint32_t returned = 0;  // the byte count the request reports
};

// What GetSystemFirmwareTable('RSMB', 0, ...) answers.
struct FirmwareTable {
  bool present = false;     // false: the size query answers 0
  Bytes bytes;              // header and structure data
  bool fetchFails = false;  // the fetch answers 0 after a successful size query
  // The table as it stands at the fetch, when it changed after the size query.
  std::optional<Bytes> atFetch;
};

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  Bytes data;
  // When set, RegEnumValueA answers this error at the value's index instead of the value.
  std::optional<LONG> enumError;
};

// Values are changed through Registry::Set and RemoveValue, which keep the
// registry's index of them; read them here.
struct RegKeyData {
  std::string path;  // as first written, relative to HKEY_LOCAL_MACHINE
  std::vector<RegValue> values;
};

// HKEY_LOCAL_MACHINE as a flat list of keys in the order they were made. Key
// paths compare case-insensitively, as Windows compares them.
class Registry {
 public:
  // The key at `path`, made (with no values) if it does not exist yet.
  RegKeyData& Key(std::string_view path);
  const RegKeyData* Find(std::string_view path) const;
  RegKeyData* Find(std::string_view path);
  bool Remove(std::string_view path);  // the key and every key below it
  const std::vector<RegKeyData>& Keys() const { return keys_; }

  // Sets (or replaces, keeping its place) one value of the key at `path`.
  void Set(std::string_view path, std::string_view name, DWORD type, Bytes data);
  void SetString(std::string_view path, std::string_view name, std::string_view text,
                 DWORD type = REG_SZ);
  // Removes one value of the key at `path`; false when there is no such value.
  bool RemoveValue(std::string_view path, std::string_view name);
  // True when the key at `path` was made or lies on the way to one that was,
  // as a parent key exists on Windows once a subkey was written below it.
  bool Exists(std::string_view path) const;

 private:
  void Reindex();

  std::vector<RegKeyData> keys_;
  // Lower-cased key path to its place in keys_, and lower-cased path, NUL,
  // lower-cased value name to the value's place in its key, so that loading a
  // capture with large keys takes linear time rather than quadratic.
  std::unordered_map<std::string, std::size_t> keyAt_;
  std::unordered_map<std::string, std::size_t> valueAt_;
};

// One device of the display class, in enumeration order.
struct DisplayAdapter {
  std::string instanceId;
  bool instanceIdFails = false;     // SetupDiGetDeviceInstanceIdA fails for it
  std::optional<Bytes> deviceDesc;  // the SPDRP_DEVICEDESC data, NUL included; none: the call fails
  std::string driverKey;            // registry path that DIREG_DRV opens; empty: no such key
  std::string deviceKey;            // registry path that DIREG_DEV opens; empty: no such key
};

// Arguments of each call, in call order, as the stand-in received them.
struct CreateFileCall {
  std::string path;
  DWORD desiredAccess, shareMode;
  bool securityAttributes;
  DWORD creationDisposition, flagsAndAttributes;
  bool templateFile;
};
struct DeviceIoControlCall {
  DWORD controlCode;
  Bytes input;  // the input buffer's bytes as passed
  DWORD inSize, outSize;
  bool bytesReturnedGiven, overlapped;
  bool outputWasZero;  // every byte of the output buffer was 0 on entry
  bool countWasZero;   // *lpBytesReturned was 0 on entry
};
struct FirmwareCall {
  DWORD provider, tableId;
  bool bufferGiven;
  DWORD bufferSize;
  bool bufferWasZero;
};
struct ClassDevsCall {
  std::optional<GUID> classGuid;
  bool enumerator, parent;
  DWORD flags;
};
struct InstanceIdCall {
  DWORD index;
  DWORD bufferSize;
  bool requiredSizeGiven, bufferWasZero;
};
struct RegistryPropertyCall {
  DWORD index, property;
  bool typeGiven;
  DWORD bufferSize;
  bool requiredSizeGiven, bufferWasZero;
};
struct OpenDevRegKeyCall {
  DWORD index, scope, hwProfile, keyType;
  REGSAM access;
};
struct RegOpenKeyCall {
  bool fromLocalMachine;
  std::string subKey;
  DWORD options;
  REGSAM access;
};
struct RegEnumValueCall {
  DWORD index;
  DWORD nameSize, dataSize;  // the sizes passed in
  bool reservedGiven, nameWasZero, dataWasZero;
};
struct RegQueryValueCall {
  std::string name;
  bool reservedGiven, typeGiven;
  DWORD dataSize;
  bool dataWasZero;
};

struct ConsoleModeCall {
  bool standardOutput;  // the handle was the one GetStdHandle(STD_OUTPUT_HANDLE) gives
  bool modeGiven;
};

struct CallLog {
  std::vector<UINT> setConsoleOutputCP;
  std::vector<ConsoleModeCall> getConsoleMode;
  std::vector<CreateFileCall> createFile;
  std::vector<DeviceIoControlCall> deviceIoControl;
  std::vector<FirmwareCall> firmware;
  std::vector<ClassDevsCall> classDevs;
  std::vector<DWORD> enumDeviceInfo;  // the index of each call
  std::vector<InstanceIdCall> instanceId;
  std::vector<RegistryPropertyCall> registryProperty;
  std::vector<OpenDevRegKeyCall> openDevRegKey;
  std::vector<RegOpenKeyCall> regOpenKey;
  std::vector<RegEnumValueCall> regEnumValue;
  std::vector<RegQueryValueCall> regQueryValue;
};

// Live objects handed out and taken back. A close of something not open
// (twice, or never opened) counts as a bad release.
struct Resources {
  int filesOpened = 0, filesClosed = 0;
  int keysOpened = 0, keysClosed = 0;
  int setsOpened = 0, setsClosed = 0;
  int badReleases = 0;
  bool AllReleased() const {
    return filesOpened == filesClosed && keysOpened == keysClosed && setsOpened == setsClosed &&
           badReleases == 0;
  }
};

// Registry keys (with their paths) and device-information sets handed out
// and not yet taken back.
// Handles handed out and not yet closed, with what each stands for.
struct OpenObjects {
  std::map<HANDLE, int> files;  // the drive number
  std::map<HKEY, std::string> keys;
  std::map<HDEVINFO, bool> sets;  // the value: the set lists the display adapters
};

struct Machine {
  bool console = false;  // standard output is a console rather than a file or a pipe
  std::map<int, Drive> drives;
  FirmwareTable firmware;
  bool classDevsFails = false;
  std::vector<DisplayAdapter> adapters;
  Registry registry;

  CallLog calls;
  Resources resources;
  OpenObjects open;
};

// Takes back one handed-out handle: true when it was open; a close of
// anything else counts as a bad release, as a double close would be a fault.
template <class Handle, class What>
bool Release(Machine& machine, std::map<Handle, What>& open, Handle handle, int& closed) {
  if (open.erase(handle) == 0) {
    ++machine.resources.badReleases;
    return false;
  }
  ++closed;
  return true;
}

// The machine that the stand-in functions answer from.
Machine& TheMachine();
// Replaces it with an empty machine: no drives, no firmware table, no
// adapters, an empty registry, no calls recorded.
void ResetMachine();

// Helpers for building machines in code.
Bytes BytesOf(std::string_view text);    // the text's bytes, no NUL added
Bytes TextValue(std::string_view text);  // the text's bytes and one NUL, as REG_SZ stores it
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace quorvex::standin

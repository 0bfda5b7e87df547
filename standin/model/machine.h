// The in-memory machine behind the stand-in Win32 functions: what each drive,
// the firmware table, the device installer and the registry hold, and the
// objects handed out and not yet taken back. Tests build one in code; the
// replay tool loads one from a capture folder.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win32.h"

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
};

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  Bytes data;
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
  std::optional<Bytes> deviceDesc;  // the SPDRP_DEVICEDESC data, NUL included; none: the call fails
  std::string driverKey;            // registry path that DIREG_DRV opens; empty: no such key
  std::string deviceKey;            // registry path that DIREG_DEV opens; empty: no such key
};

// Handles handed out and not yet closed, with what each stands for.
struct OpenObjects {
  std::map<HANDLE, int> files;  // the drive number
  std::map<HKEY, std::string> keys;
  std::map<HDEVINFO, bool> sets;  // the value: the set lists the display adapters
};

struct Machine {
  bool console = false;  // standard output is a console rather than a file or a pipe
  // What GetConsoleOutputCP answers, and SetConsoleOutputCP sets: the OEM
  // code page of a United States console until a program switches it.
  UINT consoleOutputCodePage = 437;
  std::map<int, Drive> drives;
  FirmwareTable firmware;
  bool classDevsFails = false;
  std::vector<DisplayAdapter> adapters;
  Registry registry;

  OpenObjects open;
};

// The machine that the stand-in functions answer from: the calling
// thread's own, so that two threads may each replay a machine of their own.
Machine& TheMachine();
// Replaces it with an empty machine: no drives, no firmware table, no
// adapters, an empty registry, nothing open.
void ResetMachine();

// Helpers for building machines in code.
Bytes BytesOf(std::string_view text);    // the text's bytes, no NUL added
Bytes TextValue(std::string_view text);  // the text's bytes and one NUL, as REG_SZ stores it
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace quorvex::standin

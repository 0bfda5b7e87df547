// What the tests learn of the stand-in's calls: the arguments of every call,
// in call order; the handles, keys and sets handed out and taken back; and the
// faults a test asks the machine to show. Linked into the tests only: it
// answers the entry points' observer (standin/win32/observer.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

namespace quorvex::standin {

using RecordedBytes = std::vector<std::uint8_t>;

struct CreateFileCall {
  std::string path;
  DWORD desiredAccess, shareMode;
  bool securityAttributes;
  DWORD creationDisposition, flagsAndAttributes;
  bool templateFile;
};
struct DeviceIoControlCall {
  DWORD controlCode;
  RecordedBytes input;  // the input buffer's bytes as passed
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
// `index` is the adapter's index in the machine, or observe::kNoDevice.
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

// Objects handed out and taken back. A close of something not open (twice,
// or never opened) counts as a bad release.
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

// What a test asks the machine to do wrong.
struct Faults {
  std::set<DWORD> instanceIdFails;  // adapters, by index, whose instance id cannot be read
  // RegEnumValueA answers the error at (key path as opened, value index).
  std::map<std::pair<std::string, DWORD>, LONG> enumValueFails;
  // The table as it stands at the fetch, when it changed after the size query.
  std::optional<RecordedBytes> firmwareAtFetch;
};

struct Recorder {
  CallLog calls;
  Resources resources;
  Faults faults;
};

Recorder& TheRecorder();
// Forgets every call, count and fault.
void ResetRecorder();

}  // namespace quorvex::standin

#include "standin/recorder/recorder.h"

#include <algorithm>

#include "standin/win32/observer.h"

namespace quorvex::standin {
namespace {

// A buffer not given counts as zero: there is nothing in it to be left over.
bool AllZero(const void* buffer, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  return buffer == nullptr ||
         std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

DWORD SizeGiven(const DWORD* size) { return size ? *size : 0; }

CallLog& Calls() { return TheRecorder().calls; }

}  // namespace

Recorder& TheRecorder() {
  thread_local Recorder recorder;
  return recorder;
}

void ResetRecorder() { TheRecorder() = Recorder{}; }

namespace observe {

void Opened(Object what) {
  Resources& r = TheRecorder().resources;
  ++(what == Object::kFile ? r.filesOpened : what == Object::kKey ? r.keysOpened : r.setsOpened);
}

void Closed(Object what, bool wasOpen) {
  Resources& r = TheRecorder().resources;
  if (!wasOpen) {
    ++r.badReleases;
    return;
  }
  ++(what == Object::kFile ? r.filesClosed : what == Object::kKey ? r.keysClosed : r.setsClosed);
}

void SetConsoleOutputCP(UINT codePage) { Calls().setConsoleOutputCP.push_back(codePage); }

void GetConsoleMode(bool standardOutput, const DWORD* mode) {
  Calls().getConsoleMode.push_back({standardOutput, mode != nullptr});
}

void CreateFileA(LPCSTR path, DWORD access, DWORD share, const void* security, DWORD disposition,
                 DWORD flags, HANDLE templateFile) {
  Calls().createFile.push_back({path ? path : "", access, share, security != nullptr, disposition,
                                flags, templateFile != nullptr});
}

void DeviceIoControl(DWORD code, const void* in, DWORD inSize, const void* out, DWORD outSize,
                     const DWORD* returned, const void* overlapped) {
  const auto* bytes = static_cast<const std::uint8_t*>(in);
  Calls().deviceIoControl.push_back({code,
                                     bytes ? RecordedBytes(bytes, bytes + inSize) : RecordedBytes{},
                                     inSize, outSize, returned != nullptr, overlapped != nullptr,
                                     AllZero(out, outSize), returned && *returned == 0});
}

void GetSystemFirmwareTable(DWORD provider, DWORD table, const void* buffer, DWORD size) {
  Calls().firmware.push_back({provider, table, buffer != nullptr, size, AllZero(buffer, size)});
}

void SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags) {
  Calls().classDevs.push_back({classGuid ? std::optional<GUID>(*classGuid) : std::nullopt,
                               enumerator != nullptr, parent != nullptr, flags});
}

void SetupDiEnumDeviceInfo(DWORD index) { Calls().enumDeviceInfo.push_back(index); }

void SetupDiGetDeviceInstanceIdA(DWORD device, const char* id, DWORD size, const DWORD* required) {
  Calls().instanceId.push_back({device, size, required != nullptr, AllZero(id, size)});
}

void SetupDiGetDeviceRegistryPropertyA(DWORD device, DWORD property, const DWORD* type,
                                       const BYTE* buffer, DWORD size, const DWORD* required) {
  Calls().registryProperty.push_back(
      {device, property, type != nullptr, size, required != nullptr, AllZero(buffer, size)});
}

void SetupDiOpenDevRegKey(DWORD device, DWORD scope, DWORD profile, DWORD keyType, REGSAM access) {
  Calls().openDevRegKey.push_back({device, scope, profile, keyType, access});
}

void RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access) {
  Calls().regOpenKey.push_back(
      {parent == HKEY_LOCAL_MACHINE, subKey ? subKey : "", options, access});
}

void RegEnumValueA(DWORD index, const char* name, const DWORD* nameSize, const DWORD* reserved,
                   const BYTE* data, const DWORD* dataSize) {
  Calls().regEnumValue.push_back({index, SizeGiven(nameSize), SizeGiven(dataSize),
                                  reserved != nullptr, AllZero(name, SizeGiven(nameSize)),
                                  AllZero(data, SizeGiven(dataSize))});
}

void RegQueryValueExA(LPCSTR name, const DWORD* reserved, const DWORD* type, const BYTE* data,
                      const DWORD* dataSize) {
  Calls().regQueryValue.push_back({name ? name : "", reserved != nullptr, type != nullptr,
                                   SizeGiven(dataSize), AllZero(data, SizeGiven(dataSize))});
}

bool InstanceIdFails(DWORD device) {
  return TheRecorder().faults.instanceIdFails.count(device) > 0;
}

std::optional<LONG> EnumValueFails(std::string_view keyPath, DWORD index) {
  const auto& fails = TheRecorder().faults.enumValueFails;
  const auto fault = fails.find({std::string(keyPath), index});
  if (fault == fails.end()) return std::nullopt;
  return fault->second;
}

const std::vector<std::uint8_t>* FirmwareAtFetch() {
  const auto& table = TheRecorder().faults.firmwareAtFetch;
  return table ? &*table : nullptr;
}

}  // namespace observe
}  // namespace quorvex::standin

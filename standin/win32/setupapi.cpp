// Device-installer calls answered from the stand-in machine's display adapters.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/system_names.h"
#include "platform/win32.h"
#include "standin/model/machine.h"
#include "standin/win32/handles.h"
#include "standin/win32/observer.h"

using quorvex::kDisplayClassGuid;
using quorvex::standin::DisplayAdapter;
using quorvex::standin::Machine;
using quorvex::standin::TheMachine;
namespace observe = quorvex::standin::observe;

namespace {

// Flags that make SetupDiGetClassDevsA list something other than the devices of one class.
constexpr DWORD kAllClasses = 0x00000004;       // DIGCF_ALLCLASSES
constexpr DWORD kDeviceInterface = 0x00000010;  // DIGCF_DEVICEINTERFACE
using observe::kNoDevice;
// Device-instance handles count from here, so that 0 never names a device.
constexpr DWORD kFirstDevInst = 0x100;

bool SameGuid(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

// The set's tag in SP_DEVINFO_DATA::Reserved ties device data to the set that filled it.
ULONG_PTR SetTag(HDEVINFO set) { return reinterpret_cast<ULONG_PTR>(set); }

bool ListsAdapters(HDEVINFO set) {
  const auto open = TheMachine().open.sets.find(set);
  return open != TheMachine().open.sets.end() && open->second;
}

// The adapter's index when `data` is device data that SetupDiEnumDeviceInfo filled for `set`.
DWORD DeviceIndexOf(HDEVINFO set, const SP_DEVINFO_DATA* data) {
  if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->Reserved != SetTag(set) ||
      !ListsAdapters(set) || data->DevInst < kFirstDevInst) {
    return kNoDevice;
  }
  const DWORD index = data->DevInst - kFirstDevInst;
  return index < TheMachine().adapters.size() ? index : kNoDevice;
}

const DisplayAdapter* AdapterAt(DWORD index) {
  return index == kNoDevice ? nullptr : &TheMachine().adapters[index];
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                              DWORD Flags) {
  Machine& machine = TheMachine();
  observe::SetupDiGetClassDevsA(ClassGuid, Enumerator, hwndParent, Flags);
  if (machine.classDevsFails) return INVALID_HANDLE_VALUE;
  thread_local std::uintptr_t next = 0x8001;
  HDEVINFO set = reinterpret_cast<HDEVINFO>(next);
  next += 2;
  // Another class, an enumerator filter or an interface list holds none of the adapters.
  machine.open.sets[set] = ClassGuid != nullptr && SameGuid(*ClassGuid, kDisplayClassGuid) &&
                           Enumerator == nullptr && (Flags & (kAllClasses | kDeviceInterface)) == 0;
  observe::Opened(observe::Object::kSet);
  return set;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                           PSP_DEVINFO_DATA DeviceInfoData) {
  Machine& machine = TheMachine();
  observe::SetupDiEnumDeviceInfo(MemberIndex);
  if (machine.open.sets.count(DeviceInfoSet) == 0 || DeviceInfoData == nullptr ||
      DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return FALSE;
  }
  if (!ListsAdapters(DeviceInfoSet) || MemberIndex >= machine.adapters.size()) return FALSE;
  DeviceInfoData->ClassGuid = kDisplayClassGuid;
  DeviceInfoData->DevInst = kFirstDevInst + MemberIndex;
  DeviceInfoData->Reserved = SetTag(DeviceInfoSet);
  return TRUE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 PSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                 PDWORD RequiredSize) {
  const DWORD index = DeviceIndexOf(DeviceInfoSet, DeviceInfoData);
  observe::SetupDiGetDeviceInstanceIdA(index, DeviceInstanceId, DeviceInstanceIdSize, RequiredSize);
  const DisplayAdapter* adapter = AdapterAt(index);
  if (adapter == nullptr || observe::InstanceIdFails(index)) return FALSE;
  const std::size_t needed = adapter->instanceId.size() + 1;  // the id and its NUL
  if (RequiredSize != nullptr) *RequiredSize = static_cast<DWORD>(needed);
  // Windows answers ERROR_INSUFFICIENT_BUFFER and writes none of the id.
  if (DeviceInstanceId == nullptr || needed > DeviceInstanceIdSize) return FALSE;
  std::memcpy(DeviceInstanceId, adapter->instanceId.c_str(), needed);
  return TRUE;
}

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                       DWORD Property, PDWORD PropertyRegDataType,
                                       PBYTE PropertyBuffer, DWORD PropertyBufferSize,
                                       PDWORD RequiredSize) {
  const DWORD index = DeviceIndexOf(DeviceInfoSet, DeviceInfoData);
  observe::SetupDiGetDeviceRegistryPropertyA(index, Property, PropertyRegDataType, PropertyBuffer,
                                             PropertyBufferSize, RequiredSize);
  const DisplayAdapter* adapter = AdapterAt(index);
  // Only the description is modelled; a device without one answers ERROR_INVALID_DATA.
  if (adapter == nullptr || Property != SPDRP_DEVICEDESC || !adapter->deviceDesc) return FALSE;
  const quorvex::standin::Bytes& desc = *adapter->deviceDesc;
  if (RequiredSize != nullptr) *RequiredSize = static_cast<DWORD>(desc.size());
  // Too small a buffer: ERROR_INSUFFICIENT_BUFFER, and nothing is written to it.
  if (PropertyBuffer == nullptr || desc.size() > PropertyBufferSize) return FALSE;
  if (!desc.empty()) std::memcpy(PropertyBuffer, desc.data(), desc.size());
  if (PropertyRegDataType != nullptr) *PropertyRegDataType = REG_SZ;
  return TRUE;
}

// Opens the existing key only: like Windows with KEY_READ, it does not create a missing one.
HKEY SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope,
                          DWORD HwProfile, DWORD KeyType, REGSAM samDesired) {
  Machine& machine = TheMachine();
  const DWORD index = DeviceIndexOf(DeviceInfoSet, DeviceInfoData);
  observe::SetupDiOpenDevRegKey(index, Scope, HwProfile, KeyType, samDesired);
  const DisplayAdapter* adapter = AdapterAt(index);
  const HKEY failed = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (adapter == nullptr || Scope != DICS_FLAG_GLOBAL || HwProfile != 0) return failed;
  std::string path;
  if (KeyType == DIREG_DRV) path = adapter->driverKey;
  if (KeyType == DIREG_DEV) path = adapter->deviceKey;
  if (path.empty() || !machine.registry.Exists(path)) return failed;
  return quorvex::standin::OpenKeyHandle(machine, std::move(path));
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  return quorvex::standin::Release(TheMachine().open.sets, DeviceInfoSet, observe::Object::kSet)
             ? TRUE
             : FALSE;
}

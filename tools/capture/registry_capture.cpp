#include "capture/registry_capture.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/display_devices.h"
#include "platform/scoped_win32.h"
#include "platform/system_names.h"
#include "platform/win32.h"

namespace quorvex::capture {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions speak UTF-16");

// 16383 characters and the NUL: the registry's own limit for a value name.
constexpr DWORD kValueNameChars = 16384;
constexpr DWORD kFirstDataBytes = 4096;
// Values are read whole up to here; the registry advises keeping them far smaller.
constexpr DWORD kMaxValueBytes = 1u << 20;
// Written instead of a value above kMaxValueBytes. The report passes over any
// value larger than its 1024-byte buffer without reading a byte of it, so
// zeros replay the same as long as they stay above that size, also for string
// types, which the replay counts as UTF-8 (one byte per NUL unit) rather than UTF-16.
constexpr DWORD kOversizeStandInBytes = 4096;

std::u16string FromWide(const wchar_t* text, std::size_t units) {
  std::u16string out(units, u'\0');
  std::transform(text, text + units, out.begin(),
                 [](wchar_t c) { return static_cast<char16_t>(c); });
  return out;
}

std::wstring ToWide(std::u16string_view text) {
  std::wstring out(text.size(), L'\0');
  std::transform(text.begin(), text.end(), out.begin(),
                 [](char16_t c) { return static_cast<wchar_t>(c); });
  return out;
}

// A REG_SZ's text up to its first NUL unit; an odd last byte is not a unit.
std::u16string TextOf(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

// Name and type only, for a value too large to read.
std::optional<RegExportValue> OversizeValue(HKEY key, DWORD index) {
  std::vector<wchar_t> name(kValueNameChars, L'\0');
  DWORD nameChars = kValueNameChars;
  DWORD type = REG_NONE;
  if (::RegEnumValueW(key, index, name.data(), &nameChars, nullptr, &type, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return RegExportValue{FromWide(name.data(), nameChars), type,
                        std::vector<std::uint8_t>(kOversizeStandInBytes, 0)};
}

// The value at `index`, or nothing once the key has no more values or cannot be read.
std::optional<RegExportValue> ValueAt(HKEY key, DWORD index) {
  std::vector<wchar_t> name(kValueNameChars, L'\0');
  std::vector<std::uint8_t> data(kFirstDataBytes, 0);
  // Each round has a larger buffer than the last, so this ends by kMaxValueBytes.
  for (;;) {
    DWORD nameChars = kValueNameChars;
    DWORD dataBytes = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    const LONG result = ::RegEnumValueW(key, index, name.data(), &nameChars, nullptr, &type,
                                        data.data(), &dataBytes);
    if (result == ERROR_SUCCESS) {
      data.resize(std::min<std::size_t>(dataBytes, data.size()));
      return RegExportValue{FromWide(name.data(), nameChars), type, std::move(data)};
    }
    // With the largest name buffer there is, more data can only mean the value's.
    if (result != ERROR_MORE_DATA || dataBytes <= data.size()) return std::nullopt;
    if (dataBytes > kMaxValueBytes) return OversizeValue(key, index);
    data.assign(dataBytes, 0);
  }
}

std::vector<RegExportValue> ValuesOf(HKEY key) {
  std::vector<RegExportValue> values;
  for (DWORD index = 0;; ++index) {
    std::optional<RegExportValue> value = ValueAt(key, index);
    if (!value) return values;
    values.push_back(std::move(*value));
  }
}

// The key's values when it opens for reading; nothing when it does not.
std::optional<RegExportKey> LocalMachineKey(std::u16string path) {
  ScopedRegKey key;
  // RegOpenKeyExW leaves NULL on failure; the guard treats that as nothing to close.
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(path).c_str(), 0, KEY_READ, key.Receive()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return RegExportKey{std::move(path), ValuesOf(key.Get())};
}

std::optional<RegExportKey> DeviceRegKey(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD keyType,
                                         std::u16string path) {
  // SetupDiOpenDevRegKey reports failure as INVALID_HANDLE_VALUE, which the guard knows.
  const ScopedRegKey key(::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL,
                                                kCurrentHardwareProfile, keyType, KEY_READ));
  if (!key.IsValid()) return std::nullopt;
  return RegExportKey{std::move(path), ValuesOf(key.Get())};
}

// What the device installer answers for the description, which on Windows
// need not be the DeviceDesc value as stored (that may name an .inf string).
std::optional<RegExportValue> DescriptionOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::vector<std::uint8_t> data(kFirstDataBytes, 0);
  DWORD type = REG_NONE;
  DWORD required = 0;
  BOOL read =
      ::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, &type, data.data(),
                                          static_cast<DWORD>(data.size()), &required);
  if (!read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > data.size() &&
      required <= kMaxValueBytes) {
    data.assign(required, 0);
    read = ::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, &type, data.data(),
                                               static_cast<DWORD>(data.size()), &required);
  }
  if (!read) return std::nullopt;
  data.resize(std::min<std::size_t>(required, data.size()));
  return RegExportValue{u"DeviceDesc", type, std::move(data)};
}

// Value names compare without case, as the registry compares them.
bool IsDriverValueName(std::u16string_view name) {
  constexpr std::u16string_view kDriver = u"driver";
  return name.size() == kDriver.size() &&
         std::equal(name.begin(), name.end(), kDriver.begin(), [](char16_t a, char16_t b) {
           return (a >= u'A' && a <= u'Z' ? static_cast<char16_t>(a - u'A' + u'a') : a) == b;
         });
}

std::optional<RegExportValue> DriverValueOf(const std::u16string& instancePath) {
  const std::optional<RegExportKey> instance = LocalMachineKey(instancePath);
  if (!instance) return std::nullopt;
  for (const RegExportValue& value : instance->values) {
    if (value.type == REG_SZ && IsDriverValueName(value.name)) return value;
  }
  return std::nullopt;
}

void AddDeviceKeys(HDEVINFO set, SP_DEVINFO_DATA& device, const std::string& instanceId,
                   std::vector<RegExportKey>& keys) {
  // The id as the device installer spells it, which is what the report prints.
  const std::u16string instancePath = Utf16FromUtf8(std::string(kEnumKeyRoot) + instanceId);
  RegExportKey instance{instancePath, {}};
  instance.values.push_back(
      {u"ClassGUID", REG_SZ, Utf16TextData(Utf16FromUtf8(GuidText(device.ClassGuid)))});
  if (std::optional<RegExportValue> description = DescriptionOf(set, device)) {
    instance.values.push_back(std::move(*description));
  }
  const std::optional<RegExportValue> driver = DriverValueOf(instancePath);
  if (driver) instance.values.push_back(*driver);
  keys.push_back(std::move(instance));
  if (driver) {
    const std::u16string driverPath = Utf16FromUtf8(kClassKeyRoot) + TextOf(driver->data);
    if (auto key = DeviceRegKey(set, device, DIREG_DRV, driverPath))
      keys.push_back(std::move(*key));
  }
  const std::u16string devicePath = instancePath + u'\\' + Utf16FromUtf8(kDeviceParametersKey);
  if (auto key = DeviceRegKey(set, device, DIREG_DEV, devicePath)) keys.push_back(std::move(*key));
}

}  // namespace

RegistryCapture CaptureRegistry() {
  RegistryCapture capture;
  // The report's set and ids: a device whose id the report cannot read is left out here too.
  const ScopedDevInfo set = OpenDisplayDevices();
  if (!set.IsValid()) {
    capture.deviceSetFails = true;
    return capture;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  std::int32_t nvidiaAdapters = 0;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    const std::optional<std::string> id = InstanceIdOf(set.Get(), device);
    if (!id) continue;
    if (IsNvidiaInstanceId(*id)) ++nvidiaAdapters;
    AddDeviceKeys(set.Get(), device, *id, capture.keys);
  }
  // The report numbers these keys by its own adapter count, so no other number is ever read.
  for (std::int32_t gpu = 0; gpu < nvidiaAdapters; ++gpu) {
    const std::u16string path =
        Utf16FromUtf8(std::string(kNvTweakDevicesPath) + std::to_string(gpu));
    if (auto key = LocalMachineKey(path)) capture.keys.push_back(std::move(*key));
  }
  return capture;
}

}  // namespace quorvex::capture

// What Windows calls the things the report asks for. The product asks by
// these names and the stand-in answers to the same ones, so both read them
// from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/uuid_text.h"
#include "platform/win32.h"

namespace quorvex {

// GUID_DEVCLASS_DISPLAY. Spelled out rather than taken from devguid.h, whose
// GUIDs are only declared unless one file includes initguid.h first.
inline constexpr GUID kDisplayClassGuid = {
    0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// 'RSMB', the R in the most significant byte: the raw SMBIOS firmware table provider.
inline constexpr DWORD kRawSmbiosProvider = 0x52534D42;

// The header Windows puts before the SMBIOS structure data (RawSMBIOSData):
// calling method, major and minor version, DMI revision, then the 32-bit
// length of the structure data that follows.
inline constexpr std::size_t kSmbiosHeaderBytes = 8;

// Physical drive N opens as this path followed by N in decimal.
inline constexpr std::string_view kPhysicalDrivePath = "\\\\.\\PhysicalDrive";

// Below HKEY_LOCAL_MACHINE: a device's instance key is the Enum root and its
// instance id; its driver key is the Class root and its Driver value; its
// device key is the instance key's Device Parameters subkey.
inline constexpr std::string_view kEnumKeyRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
inline constexpr std::string_view kClassKeyRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
inline constexpr std::string_view kDeviceParametersKey = "Device Parameters";

// NVIDIA's PCI vendor id, matched with case anywhere in a device instance id.
inline constexpr std::string_view kNvidiaVendorMarker = "VEN_10DE";
inline bool IsNvidiaInstanceId(std::string_view instanceId) {
  return instanceId.find(kNvidiaVendorMarker) != std::string_view::npos;
}

// The hardware profile SetupDiOpenDevRegKey is asked for: 0, the current one.
inline constexpr DWORD kCurrentHardwareProfile = 0;

// Below HKEY_LOCAL_MACHINE: NVIDIA's per-GPU keys, numbered by our GPU
// counter rather than looked up, since the driver numbers its GPUs in the same
// order; each holds the GPU's UUID in one value.
inline constexpr std::string_view kNvTweakDevicesPath =
    "SOFTWARE\\NVIDIA Corporation\\Global\\NVTweak\\Devices\\";
inline constexpr std::string_view kNvTweakValueName = "GPU UUID";  // NUL-terminated: a literal

// A GUID as the registry writes it, e.g. a ClassGUID value: in braces,
// upper-case, each of the first three fields printed most significant first.
inline std::string GuidText(const GUID& guid) {
  UuidBytes bytes{};
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (8 * i));
  for (std::size_t i = 0; i < 2; ++i) {
    bytes[4 + i] = static_cast<std::uint8_t>(guid.Data2 >> (8 * i));
    bytes[6 + i] = static_cast<std::uint8_t>(guid.Data3 >> (8 * i));
  }
  for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
  return "{" + FormatUuid(bytes, UuidByteOrder::kLittleEndianFields) + "}";
}

}  // namespace quorvex

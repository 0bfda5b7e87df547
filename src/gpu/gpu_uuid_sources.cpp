#include "gpu/gpu_uuid_sources.h"

#include <array>
#include <string>

#include "platform/byte_view.h"
#include "platform/scoped_win32.h"
#include "platform/system_names.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

// 255 characters and the NUL: longer names answer ERROR_MORE_DATA and are skipped.
constexpr DWORD kValueNameChars = 256;
// UUIDs are short; a larger value answers ERROR_MORE_DATA and is skipped.
constexpr DWORD kValueDataBytes = 1024;
constexpr DWORD kNvTweakDataBytes = 256;

// One enumerated value; false once the key has no more values or cannot be read.
bool ScanValue(HKEY key, DWORD index, std::int32_t gpu, const UuidPassRules& rules) {
  std::array<char, kValueNameChars> name{};
  std::array<std::uint8_t, kValueDataBytes> data{};
  DWORD nameSize = kValueNameChars;
  DWORD dataSize = kValueDataBytes;
  DWORD type = REG_NONE;
  const LONG result =
      ::RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
  // Driver keys hold large binary tables; one of them must not hide the
  // UUID values enumerated after it, so a value that does not fit is passed over.
  if (result == ERROR_MORE_DATA) return true;
  if (result != ERROR_SUCCESS) return false;
  const std::optional<std::string> uuid =
      UuidTextOf(rules, ViewOfChars(name.data(), name.size()).TextAt(0), type,
                 ByteView(data.data(), data.size()), dataSize);
  if (uuid) ReportGpuUuid(gpu, *uuid);
  return true;
}

}  // namespace

void ScanKeyForUuids(HDEVINFO set, SP_DEVINFO_DATA& device, std::int32_t gpu,
                     const UuidPassRules& rules) {
  // SetupDiOpenDevRegKey reports failure as INVALID_HANDLE_VALUE, which the guard knows.
  const ScopedRegKey key(::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL,
                                                kCurrentHardwareProfile, rules.keyType, KEY_READ));
  if (!key.IsValid()) return;
  for (DWORD index = 0; ScanValue(key.Get(), index, gpu, rules); ++index) {
  }
}

void ReadNvTweakUuid(std::int32_t gpu) {
  const std::string path = std::string(kNvTweakDevicesPath) + std::to_string(gpu);
  ScopedRegKey key;
  // RegOpenKeyExA leaves NULL on failure; the guard treats that as nothing to close too.
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  std::array<std::uint8_t, kNvTweakDataBytes> data{};
  DWORD dataSize = kNvTweakDataBytes;
  // The type is not asked for: the driver has stored this value both as text and as raw bytes.
  if (::RegQueryValueExA(key.Get(), kNvTweakValueName.data(), nullptr, nullptr, data.data(),
                         &dataSize) == ERROR_SUCCESS) {
    ReportGpuUuid(gpu, TextDatum(ByteView(data.data(), data.size()), dataSize));
  }
}

}  // namespace quorvex

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "gpu/gpu_uuid_sources.h"
#include "platform/byte_view.h"
#include "platform/display_devices.h"
#include "platform/scoped_win32.h"
#include "platform/system_names.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

constexpr DWORD kDescriptionBytes = 512;

// A description that cannot be read leaves the zero-filled buffer, so an empty name.
std::string DescriptionOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::array<std::uint8_t, kDescriptionBytes> desc{};
  ::SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DEVICEDESC, nullptr, desc.data(),
                                      kDescriptionBytes, nullptr);
  return ByteView(desc.data(), desc.size()).TextAt(0);
}

void ReportAdapter(HDEVINFO set, SP_DEVINFO_DATA& device, std::int32_t gpu,
                   const std::string& instanceId) {
  ScanKeyForUuids(set, device, gpu, kDriverKeyRules);
  ReadNvTweakUuid(gpu);
  ScanKeyForUuids(set, device, gpu, kDeviceKeyRules);
  ReportGpuName(gpu, DescriptionOf(set, device));
  ReportGpuDeviceId(gpu, instanceId);
}

// The number of NVIDIA adapters reported, or nothing when the device set
// cannot be made. The set is destroyed before this returns.
std::optional<std::int32_t> ReportNvidiaAdapters() {
  const ScopedDevInfo set = OpenDisplayDevices();
  if (!set.IsValid()) return std::nullopt;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  std::int32_t gpu = 0;
  // The first failed enumeration call is the end of the list, whatever its cause.
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    const std::optional<std::string> id = InstanceIdOf(set.Get(), device);
    if (!id || !IsNvidiaInstanceId(*id)) continue;
    ReportAdapter(set.Get(), device, gpu, *id);
    ++gpu;
  }
  return gpu;
}

}  // namespace

void CollectNvidiaGpus() {
  ReportNvidiaStart();
  const std::optional<std::int32_t> reported = ReportNvidiaAdapters();
  if (!reported) {
    ReportNoDisplayAdapters();
  } else if (*reported == 0) {
    ReportNoNvidiaGpus();
  }
}

}  // namespace quorvex

#include "platform/display_devices.h"

#include <array>

#include "platform/byte_view.h"
#include "platform/system_names.h"

namespace quorvex {
namespace {

// Device instance ids are at most 200 characters on Windows; 512 leaves room.
constexpr DWORD kInstanceIdChars = 512;

}  // namespace

ScopedDevInfo OpenDisplayDevices() {
  return ScopedDevInfo(::SetupDiGetClassDevsA(&kDisplayClassGuid, nullptr, nullptr, DIGCF_PRESENT));
}

std::optional<std::string> InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::array<char, kInstanceIdChars> id{};
  if (!::SetupDiGetDeviceInstanceIdA(set, &device, id.data(), kInstanceIdChars, nullptr)) {
    return std::nullopt;
  }
  return ViewOfChars(id.data(), id.size()).TextAt(0);
}

}  // namespace quorvex

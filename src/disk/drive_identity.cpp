#include <array>
#include <cstdint>
#include <string>

#include "disk/storage_descriptor.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "quorvex/drive_identity.h"

namespace quorvex {
namespace {

constexpr const char* kDevicePathPrefix = "\\\\.\\PhysicalDrive";
// Query access only: no read or write right is needed to ask for the
// descriptor, so a standard user can ask too.
constexpr DWORD kQueryOnlyAccess = 0;

}  // namespace

DriveIdentity QueryDriveIdentity(std::int32_t driveNumber) {
  const std::string path = kDevicePathPrefix + std::to_string(driveNumber);
  const ScopedFile device(::CreateFileA(path.c_str(), kQueryOnlyAccess,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!device.IsValid()) return {};

  STORAGE_PROPERTY_QUERY query{};  // StorageDeviceProperty, PropertyStandardQuery
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::array<std::uint8_t, kDescriptorBufferBytes> response{};
  DWORD returned = 0;
  if (!::DeviceIoControl(device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                         response.data(), static_cast<DWORD>(response.size()), &returned,
                         nullptr)) {
    return {};
  }
  return ParseDriveDescriptor(ByteView(response.data(), response.size()), returned);
}

}  // namespace quorvex

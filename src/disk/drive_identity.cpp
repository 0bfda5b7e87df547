#include <string>

#include "disk/storage_descriptor.h"
#include "platform/scoped_win32.h"
#include "platform/system_names.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "quorvex/requests.h"

namespace quorvex {
namespace {

// Query access only: no read or write right is needed to ask for the
// descriptor, so a standard user can ask too.
constexpr DWORD kQueryOnlyAccess = 0;

}  // namespace

StorageQueryResult QueryStorageDescriptor(std::int32_t driveNumber) {
  StorageQueryResult result;
  const std::string path = std::string(kPhysicalDrivePath) + std::to_string(driveNumber);
  const ScopedFile device(::CreateFileA(path.c_str(), kQueryOnlyAccess,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
  if (!device.IsValid()) return result;

  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  DWORD returned = 0;
  const BOOL answered = ::DeviceIoControl(
      device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), result.response.data(),
      static_cast<DWORD>(result.response.size()), &returned, nullptr);
  result.outcome = answered ? StorageQueryResult::Outcome::kAnswered
                            : StorageQueryResult::Outcome::kRequestFailed;
  result.returned = returned;
  return result;
}

DriveIdentity QueryDriveIdentity(std::int32_t driveNumber) {
  const StorageQueryResult result = QueryStorageDescriptor(driveNumber);
  if (result.outcome != StorageQueryResult::Outcome::kAnswered) return {};
  return ParseDriveDescriptor(ByteView(result.response.data(), result.response.size()),
                              result.returned);
}

}  // namespace quorvex

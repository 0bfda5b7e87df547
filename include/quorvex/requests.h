// The storage-property request itself, apart from reading its answer, so that
// the report and the capture tool ask every drive in exactly the same way.
#pragma once

#include <array>
#include <cstdint>

#include "disk/storage_descriptor.h"

namespace quorvex {

struct StorageQueryResult {
  enum class Outcome { kOpenFailed, kRequestFailed, kAnswered };
  Outcome outcome = Outcome::kOpenFailed;
  // The response buffer as the request left it: zero where the driver wrote nothing.
  std::array<std::uint8_t, kDescriptorBufferBytes> response{};
  std::uint32_t returned = 0;  // as the driver reported it, not yet clamped
};

// Opens \\.\PhysicalDrive<driveNumber> for query only, sends one standard
// device-property query and closes the drive again.
StorageQueryResult QueryStorageDescriptor(std::int32_t driveNumber);

}  // namespace quorvex

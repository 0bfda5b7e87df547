// The requests the report makes of the machine, apart from reading their
// answers, so that the report and the capture tool ask in exactly the same
// way: one storage-property query per drive, and the two firmware-table calls
// that fetch the raw SMBIOS table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvex {

// The response buffer of the storage-property request. Drivers that need more
// describe devices we do not read, so one fixed buffer is enough.
inline constexpr std::size_t kDescriptorBufferBytes = 4096;

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

struct SmbiosFetchResult {
  enum class Outcome {
    kNoTable,      // the size query answered 0
    kTooShort,     // the size query answered fewer bytes than the header
    kFetchFailed,  // the fetch answered 0
    kTableGrew,    // the fetch needed more than the size query said
    kFetched,
  };
  Outcome outcome = Outcome::kNoTable;
  // The size query's answer; after kFetched, every byte as the fetch left it.
  std::vector<std::uint8_t> table;
};

SmbiosFetchResult FetchSmbiosTable();

}  // namespace quorvex

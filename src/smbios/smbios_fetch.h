// The two firmware-table calls that fetch the raw SMBIOS table, apart from
// walking it, so that the report and the capture tool fetch it the same way.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvex {

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

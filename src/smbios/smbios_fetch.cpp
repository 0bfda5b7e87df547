
#include "platform/byte_view.h"
#include "platform/system_names.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "quorvex/requests.h"
#include "report/report_output.h"
#include "smbios/smbios_walk.h"

namespace quorvex {
namespace {

// The raw SMBIOS provider has one table, number 0.
constexpr DWORD kSmbiosTableId = 0;

}  // namespace

SmbiosFetchResult FetchSmbiosTable() {
  using Outcome = SmbiosFetchResult::Outcome;
  SmbiosFetchResult result;
  const UINT needed = ::GetSystemFirmwareTable(kRawSmbiosProvider, kSmbiosTableId, nullptr, 0);
  if (needed == 0) return result;
  // Fewer bytes than the header cannot be walked.
  if (needed < kSmbiosHeaderBytes) {
    result.outcome = Outcome::kTooShort;
    return result;
  }
  result.table.assign(needed, 0);
  const UINT written =
      ::GetSystemFirmwareTable(kRawSmbiosProvider, kSmbiosTableId, result.table.data(), needed);
  // A count above the buffer's size means the table grew after the size query;
  // Windows then answers the size it needs now and writes nothing.
  if (written == 0) {
    result.outcome = Outcome::kFetchFailed;
  } else if (written > needed) {
    result.outcome = Outcome::kTableGrew;
  } else {
    result.outcome = Outcome::kFetched;
  }
  if (result.outcome != Outcome::kFetched) result.table.clear();
  return result;
}

void DumpSmbios() {
  const SmbiosFetchResult fetched = FetchSmbiosTable();
  if (fetched.outcome != SmbiosFetchResult::Outcome::kFetched) {
    ReportSmbiosFetchFailed();
    return;
  }
  WalkSmbiosTable(ByteView(fetched.table.data(), fetched.table.size()));
}

}  // namespace quorvex

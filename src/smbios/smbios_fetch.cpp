#include <cstdint>
#include <vector>

#include "platform/byte_view.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "quorvex/log_line.h"
#include "smbios/smbios_walk.h"

namespace quorvex {
namespace {

// 'RSMB', the R in the most significant byte: the raw SMBIOS provider.
constexpr DWORD kRawSmbiosProvider = 0x52534D42;
// The raw SMBIOS provider has one table, number 0.
constexpr DWORD kSmbiosTableId = 0;

void ReportFetchFailure() { LogLine(kSmbiosSection, "Failed to get firmware table"); }

}  // namespace

void DumpSmbios() {
  // 0 means there is no table; fewer bytes than the header cannot be walked either.
  const UINT needed = ::GetSystemFirmwareTable(kRawSmbiosProvider, kSmbiosTableId, nullptr, 0);
  if (needed < kSmbiosHeaderBytes) {
    ReportFetchFailure();
    return;
  }
  std::vector<std::uint8_t> table(needed, 0);
  const UINT written =
      ::GetSystemFirmwareTable(kRawSmbiosProvider, kSmbiosTableId, table.data(), needed);
  // A count above the buffer's size means the table grew after the size query;
  // Windows then answers the size it needs now and writes nothing.
  if (written == 0 || written > needed) {
    ReportFetchFailure();
    return;
  }
  WalkSmbiosTable(ByteView(table.data(), table.size()));
}

}  // namespace quorvex

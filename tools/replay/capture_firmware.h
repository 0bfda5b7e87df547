// The firmware table a Linux machine's /sys/firmware/dmi/tables/ stands for.
#pragma once

#include <optional>
#include <string>

#include "standin/model/machine.h"

namespace quorvex::replay {

// Makes `table` what GetSystemFirmwareTable('RSMB', 0) returns on the machine
// whose sysfs held `entryPoint` (smbios_entry_point) and `dmi` (DMI): the
// 8-byte header built from the entry point, then the DMI bytes. Returns a
// message saying what is wrong when the entry point is not a whole _SM3_ or
// _SM_ one, or when DMI is too long for the header's 32-bit length; `table`
// is then unspecified.
std::optional<std::string> SmbiosTableFromSysfs(const standin::Bytes& entryPoint,
                                                const standin::Bytes& dmi, standin::Bytes& table);

}  // namespace quorvex::replay

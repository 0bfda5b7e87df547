// The platform-free half of the SMBIOS phase: everything printed after the
// firmware table has been fetched.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/byte_view.h"

namespace quorvex {

// `table` is the whole fetched buffer. Prints the size line with the header's
// table length L, then walks the structures from offset 8 to
// E = min(8 + L, table.size()) in one forward pass, handing each structure
// whose formatted area fits to DecodeSmbiosStructure. Ends at a type-127
// structure (with a line), and silently at E, at a formatted length below 4,
// or at a structure whose formatted area runs past E. Prints nothing for a
// buffer too short to hold the header.
void WalkSmbiosTable(ByteView table);

}  // namespace quorvex

// The identity lines of six SMBIOS structure types: BIOS (0), system (1),
// baseboard (2), chassis (3), processor (4) and memory device (17). The
// record's and the document's shape of each (quorvex::kStructureShapes)
// comes from the same table.
#pragma once

#include <cstdint>
#include <string>

#include "report/report_output.h"
#include "smbios/smbios_structure.h"

namespace quorvex {

// Prints one line per identity field of the structure, in the order its type
// defines. Prints nothing for another type, for a formatted length below the
// type's minimum, or when the formatted area does not lie inside the view.
void DecodeSmbiosStructure(const SmbiosStructure& structure);

// Text number `number` (1-based) of the structure's string-set, byte for byte
// as stored, or kSmbiosAbsent for 0, an empty text, or a number past the last
// text. Looks at the string-set alone: a text cut by the view's end is the
// bytes up to that end.
std::string SmbiosString(const SmbiosStructure& structure, std::uint8_t number);

}  // namespace quorvex

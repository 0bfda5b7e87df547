#include "smbios/smbios_uuid.h"

namespace quorvex {

std::string FormatSmbiosUuid(const SmbiosUuidBytes& bytes) {
  return FormatUuid(bytes, UuidByteOrder::kLittleEndianFields);
}

}  // namespace quorvex

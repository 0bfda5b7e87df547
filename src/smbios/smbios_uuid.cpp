#include "smbios/smbios_uuid.h"

#include <cstddef>

namespace quorvex {
namespace {

// Which stored byte each printed pair of digits comes from, in print order.
constexpr std::size_t kPrintOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr char kHexDigits[] = "0123456789ABCDEF";

// A hyphen goes before the printed byte at these places: 8-4-4-4-12 digits.
bool StartsGroup(std::size_t printed) {
  return printed == 4 || printed == 6 || printed == 8 || printed == 10;
}

}  // namespace

std::string FormatSmbiosUuid(const SmbiosUuidBytes& bytes) {
  std::string text;
  text.reserve(36);
  for (std::size_t printed = 0; printed < bytes.size(); ++printed) {
    if (StartsGroup(printed)) text.push_back('-');
    const std::uint8_t byte = bytes[kPrintOrder[printed]];
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
  }
  return text;
}

}  // namespace quorvex

// CNG (bcrypt.dll), Windows' own cryptography, as the project reaches it:
// windows.h first, as platform/win32.h includes it, then bcrypt.h, which
// relies on its types and declares NTSTATUS and BCRYPT_SUCCESS itself.
// Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/hex_text.h"
#include "platform/win32.h"
// windows.h must come first: bcrypt.h relies on its types.
#include <bcrypt.h>

namespace quorvex {

// "CALL failed with status 0xC000000D": the NTSTATUS as Windows documents it.
inline std::string CngFailure(const char* call, NTSTATUS status) {
  std::string text = std::string(call) + " failed with status 0x";
  const auto bits = static_cast<std::uint32_t>(status);
  for (int shift = 24; shift >= 0; shift -= 8) {
    AppendHexByte(text, static_cast<std::uint8_t>(bits >> shift));
  }
  return text;
}

}  // namespace quorvex

// A regedit "Version 5.00" export written from registry contents as the wide
// registry functions return them, so that names and texts reach the file
// without a round trip through a code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::capture {

// One value as RegEnumValueW returns it: string types keep their UTF-16LE
// bytes, NULs included, exactly as stored.
struct RegExportValue {
  std::u16string name;  // empty: the key's default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct RegExportKey {
  std::u16string path;  // below HKEY_LOCAL_MACHINE, its parts joined by backslashes
  std::vector<RegExportValue> values;
};

// The file: a UTF-16LE byte-order mark, CRLF line ends, the keys and their
// values in the order given. A REG_SZ that is one clean text is written as
// "text", a 4-byte REG_DWORD as dword:, everything else as hex lists, wrapped
// like regedit's. A lone surrogate in a name or path becomes U+FFFD, as the
// narrow functions deliver it.
std::vector<std::uint8_t> WriteRegFile(const std::vector<RegExportKey>& keys);

// UTF-8, as the narrow functions return text under the UTF-8 code page, to
// UTF-16; a byte that does not belong to a well-formed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);

// REG_SZ data for `text`: its UTF-16LE bytes and a NUL unit.
std::vector<std::uint8_t> Utf16TextData(std::u16string_view text);

}  // namespace quorvex::capture

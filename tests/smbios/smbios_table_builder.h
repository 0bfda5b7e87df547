// Builds raw SMBIOS tables byte by byte: structures with a formatted area and
// a string-set, and the 8-byte header that Windows puts before them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace quorvex::testing {

using SmbiosBytes = std::vector<std::uint8_t>;

class StructureBuilder {
 public:
  // The formatted area: type, length, a made-up handle, then zeros up to
  // `length` (the four header bytes are written even when `length` is below 4).
  StructureBuilder(std::uint8_t type, std::uint8_t length)
      : formatted_(length < 4 ? 4 : length, 0) {
    formatted_[0] = type;
    formatted_[1] = length;
    formatted_[2] = 0x34;
    formatted_[3] = 0x12;
  }

  StructureBuilder& Put(std::size_t offset, std::uint8_t value) {
    formatted_.at(offset) = value;
    return *this;
  }
  StructureBuilder& Put(std::size_t offset, const SmbiosBytes& values) {
    for (std::size_t i = 0; i < values.size(); ++i) Put(offset + i, values[i]);
    return *this;
  }
  // Appends one text to the string-set.
  StructureBuilder& Text(std::string_view text) {
    texts_.insert(texts_.end(), text.begin(), text.end());
    texts_.push_back(0);
    return *this;
  }

  // The formatted area and the string-set with the NUL that ends it (two NULs
  // when the set has no text).
  SmbiosBytes Build() const {
    SmbiosBytes bytes = FormattedOnly();
    bytes.insert(bytes.end(), texts_.begin(), texts_.end());
    if (texts_.empty()) bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
  }
  // The formatted area alone, for structures cut at the end of the table.
  const SmbiosBytes& FormattedOnly() const { return formatted_; }

 private:
  SmbiosBytes formatted_;
  SmbiosBytes texts_;
};

inline SmbiosBytes Concat(std::initializer_list<SmbiosBytes> parts) {
  SmbiosBytes all;
  for (const SmbiosBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The type-127 structure that ends a table.
inline SmbiosBytes EndOfTable() { return StructureBuilder(127, 4).Build(); }

// The header (calling method 0, version 3.4, DMI revision 0, `claimedLength`)
// followed by `data`.
inline SmbiosBytes WithHeader(const SmbiosBytes& data, std::uint32_t claimedLength) {
  SmbiosBytes table = {0, 3, 4, 0};
  for (int i = 0; i < 4; ++i) table.push_back(static_cast<std::uint8_t>(claimedLength >> (8 * i)));
  table.insert(table.end(), data.begin(), data.end());
  return table;
}
inline SmbiosBytes WithHeader(const SmbiosBytes& data) {
  return WithHeader(data, static_cast<std::uint32_t>(data.size()));
}

// The UUID bytes 00h, 11h, ... FFh and their text.
inline SmbiosBytes CountingUuid() {
  SmbiosBytes bytes;
  for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<std::uint8_t>(0x11 * i));
  return bytes;
}
inline constexpr std::string_view kCountingUuidText = "33221100-5544-7766-8899-AABBCCDDEEFF";

}  // namespace quorvex::testing

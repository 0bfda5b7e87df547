// Builds storage-device-descriptor responses byte by byte: a 40-byte header
// with the three text offsets, then the texts wherever the test puts them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvex::testing {

class DescriptorBuilder {
 public:
  DescriptorBuilder() : bytes_(kHeaderBytes, 0) {}

  // Places `text` (no NUL added) at the end of the bytes so far and points the
  // field at `offsetAt` to it.
  DescriptorBuilder& Text(std::size_t offsetAt, std::string_view text) {
    SetU32(offsetAt, static_cast<std::uint32_t>(bytes_.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  DescriptorBuilder& Serial(std::string_view text) { return Text(24, text).Nul(); }
  DescriptorBuilder& Model(std::string_view text) { return Text(16, text).Nul(); }
  DescriptorBuilder& Firmware(std::string_view text) { return Text(20, text).Nul(); }
  DescriptorBuilder& Nul() {
    bytes_.push_back(0);
    return *this;
  }
  DescriptorBuilder& SetU32(std::size_t at, std::uint32_t value) {
    if (bytes_.size() < at + 4) bytes_.resize(at + 4, 0);
    for (std::size_t i = 0; i < 4; ++i)
      bytes_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return *this;
  }
  DescriptorBuilder& PadTo(std::size_t size, std::uint8_t fill = 0) {
    if (bytes_.size() < size) bytes_.resize(size, fill);
    return *this;
  }

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  static constexpr std::size_t kHeaderBytes = 40;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace quorvex::testing

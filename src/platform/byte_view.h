// A bounded, read-only view of bytes handed over by the platform. Every read
// checks against the view's size and answers "not there" instead of reading
// past it; values are assembled from bytes (little-endian), never cast, so
// alignment does not matter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvex {

class ByteView {
 public:
  constexpr ByteView() = default;
  constexpr ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  constexpr std::size_t size() const { return size_; }
  constexpr const std::uint8_t* data() const { return data_; }

  // True when n bytes from off lie inside the view; written so it cannot wrap.
  constexpr bool Has(std::size_t off, std::size_t n) const {
    return n <= size_ && off <= size_ - n;
  }

  std::optional<std::uint8_t> U8(std::size_t off) const {
    if (!Has(off, 1)) return std::nullopt;
    return data_[off];
  }
  std::optional<std::uint16_t> U16(std::size_t off) const {
    if (!Has(off, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(data_[off] | (data_[off + 1] << 8));
  }
  std::optional<std::uint32_t> U32(std::size_t off) const {
    if (!Has(off, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(data_[off]) |
           (static_cast<std::uint32_t>(data_[off + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[off + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[off + 3]) << 24);
  }

  // The bytes [off, off + n), cut at this view's end; empty when off lies past it.
  ByteView Sub(std::size_t off, std::size_t n) const {
    if (off >= size_) return {};
    const std::size_t left = size_ - off;
    return {data_ + off, n < left ? n : left};
  }
  ByteView From(std::size_t off) const { return Sub(off, size_); }

  // The text from off to the first NUL, or to the view's end when none comes first.
  std::string TextAt(std::size_t off) const {
    std::string text;
    for (std::size_t i = off; i < size_ && data_[i] != 0; ++i) {
      text.push_back(static_cast<char>(data_[i]));
    }
    return text;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// A character buffer, such as the narrow Win32 functions fill, as a view.
inline ByteView ViewOfChars(const char* chars, std::size_t size) {
  return {reinterpret_cast<const std::uint8_t*>(chars), size};
}

}  // namespace quorvex

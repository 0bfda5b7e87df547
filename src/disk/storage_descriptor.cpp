#include "disk/storage_descriptor.h"

#include <algorithm>
#include <optional>

namespace quorvex {
namespace {

// Byte offsets of the descriptor's text offsets (STORAGE_DEVICE_DESCRIPTOR).
constexpr std::size_t kProductIdOffsetAt = 16;
constexpr std::size_t kProductRevisionOffsetAt = 20;
constexpr std::size_t kSerialNumberOffsetAt = 24;

constexpr std::string_view kBlanks = " \t\r\n";

// The trimmed text the descriptor points to from `offsetAt`, or nothing when it names none.
std::optional<std::string> DescriptorText(ByteView descriptor, std::size_t offsetAt) {
  const std::optional<std::uint32_t> offset = descriptor.U32(offsetAt);
  if (!offset || *offset == 0 || *offset >= descriptor.size()) return std::nullopt;
  return TrimWhitespace(descriptor.TextAt(*offset));
}

void ReadInto(std::string& field, ByteView descriptor, std::size_t offsetAt) {
  if (std::optional<std::string> text = DescriptorText(descriptor, offsetAt)) {
    field = std::move(*text);
  }
}

}  // namespace

DriveIdentity ParseDriveDescriptor(ByteView response, std::uint32_t returnedBytes) {
  // Only what the driver says it wrote counts, and never more than the buffer.
  const ByteView descriptor = response.Sub(0, returnedBytes);
  DriveIdentity drive;
  ReadInto(drive.serialNumber, descriptor, kSerialNumberOffsetAt);
  ReadInto(drive.model, descriptor, kProductIdOffsetAt);
  ReadInto(drive.firmware, descriptor, kProductRevisionOffsetAt);
  return drive;
}

std::string TrimWhitespace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace quorvex

// Any bytes a storage driver may hand back: the first four give the returned
// count, the rest fill the start of the 4096-byte response buffer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "disk/storage_descriptor.h"

namespace {

void CheckField(const std::string& text) {
  if (text == quorvex::kNotRead) return;
  // A read text comes out of the buffer, trimmed.
  if (text.size() > quorvex::kDescriptorBufferBytes) std::abort();
  if (!text.empty() && quorvex::TrimWhitespace(text) != text) std::abort();
  if (text.find('\0') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t returned = 0;
  std::memcpy(&returned, data, 4);
  std::array<std::uint8_t, quorvex::kDescriptorBufferBytes> buffer{};
  const std::size_t body = std::min(size - 4, buffer.size());
  std::memcpy(buffer.data(), data + 4, body);
  const quorvex::DriveIdentity drive =
      quorvex::ParseDriveDescriptor(quorvex::ByteView(buffer.data(), buffer.size()), returned);
  CheckField(drive.serialNumber);
  CheckField(drive.model);
  CheckField(drive.firmware);
  return 0;
}

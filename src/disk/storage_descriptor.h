// Reading a STORAGE_DEVICE_DESCRIPTOR out of a storage-property response.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_view.h"
#include "quorvex/collectors.h"
#include "quorvex/requests.h"

namespace quorvex {

// `response` is the whole response buffer, zero wherever the driver wrote
// nothing; `returnedBytes` is the count the request reported, trusted only up
// to the buffer's size. A text is read only when its offset is non-zero and
// below that count, and it never runs past it.
DriveIdentity ParseDriveDescriptor(ByteView response, std::uint32_t returnedBytes);

// `text` without leading and trailing spaces, tabs, CRs and LFs; every other
// byte, inner blanks included, stays.
std::string TrimWhitespace(std::string_view text);

}  // namespace quorvex

// What the text report prints where a value could not be read. The record
// and the identities document say std::nullopt and null instead.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)): quorvex::quorvex.
#pragma once

#include <string_view>

namespace quorvex {

// A drive text that could not be read; a text that was read and is empty
// stays empty.
inline constexpr const char* kNotRead = "N/A";

// An SMBIOS string field that names no text or an empty one.
inline constexpr std::string_view kSmbiosAbsent = "is null";

}  // namespace quorvex

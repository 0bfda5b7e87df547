// Bytes from the system's random generator, for secret keys: CNG's
// preferred generator on Windows, the kernel's (getrandom) elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace quorvex {

// Fills `bytes` with `count` random bytes, or says why not and leaves it empty.
std::optional<std::string> RandomBytes(std::size_t count, std::string& bytes);

}  // namespace quorvex

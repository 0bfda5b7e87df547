// The shape of the NVIDIA phase's lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex {

// "[N, 0] " + label: every per-adapter line carries the GPU counter N, and
// the second number is always 0. The value follows it on the line.
std::string GpuLinePrefix(std::int32_t gpu, std::string_view label);
void PrintGpuLine(std::int32_t gpu, std::string_view label, std::string_view value);

}  // namespace quorvex

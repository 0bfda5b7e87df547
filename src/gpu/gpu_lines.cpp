#include "gpu/gpu_lines.h"

#include "report/log_line.h"

namespace quorvex {

std::string GpuLinePrefix(std::int32_t gpu, std::string_view label) {
  std::string prefix = "[" + std::to_string(gpu) + ", 0] ";
  prefix.append(label);
  return prefix;
}

void PrintGpuLine(std::int32_t gpu, std::string_view label, std::string_view value) {
  LogLine(kNvidiaSection, GpuLinePrefix(gpu, label), value);
}

}  // namespace quorvex

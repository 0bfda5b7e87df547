#include "gpu/gpu_lines.h"

#include "quorvex/log_line.h"

namespace quorvex {
namespace {

constexpr std::string_view kNvidiaVendorMarker = "VEN_10DE";

}  // namespace

std::string GpuLinePrefix(std::int32_t gpu, std::string_view label) {
  std::string prefix = "[" + std::to_string(gpu) + ", 0] ";
  prefix.append(label);
  return prefix;
}

void PrintGpuLine(std::int32_t gpu, std::string_view label, std::string_view value) {
  LogLine(kNvidiaSection, GpuLinePrefix(gpu, label), value);
}

bool IsNvidiaInstanceId(std::string_view instanceId) {
  return instanceId.find(kNvidiaVendorMarker) != std::string_view::npos;
}

}  // namespace quorvex

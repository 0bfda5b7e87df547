#include "gpu/gpu_lines.h"

#include "quorvex/log_line.h"

namespace quorvex {
namespace {

constexpr std::string_view kNvidiaVendorMarker = "VEN_10DE";

}  // namespace

std::string GpuMessage(std::int32_t gpu, std::string_view label, std::string_view value) {
  std::string message = "[" + std::to_string(gpu) + ", 0] ";
  message.append(label);
  message.append(value);
  return message;
}

void PrintGpuLine(std::int32_t gpu, std::string_view label, std::string_view value) {
  LogLine(kNvidiaSection, GpuMessage(gpu, label, value));
}

bool IsNvidiaInstanceId(std::string_view instanceId) {
  return instanceId.find(kNvidiaVendorMarker) != std::string_view::npos;
}

}  // namespace quorvex

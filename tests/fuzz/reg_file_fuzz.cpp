// Any bytes given as registry.reg either load or are refused with a message;
// the display adapters derived from what loaded must not trip the sanitizers.
#include <cstddef>
#include <cstdint>

#include "replay/capture_registry.h"
#include "replay/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quorvex::standin::Bytes file(data, data + size);
  quorvex::standin::Registry registry;
  const auto problem = quorvex::replay::ApplyRegFile(file, registry);
  if (problem && problem->rfind("line ", 0) != 0) __builtin_trap();  // every refusal names a line
  const auto adapters = quorvex::replay::DisplayAdaptersIn(registry);
  for (const auto& adapter : adapters) {
    if (adapter.instanceId.empty()) __builtin_trap();
  }
  return 0;
}

// Any bytes read as an identities document are either refused with a message
// or give machine keys, each judged from the value it holds; a hostile file
// must not trip the sanitizers or run the parser out of stack.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "keys/document_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  std::vector<quorvex::keys::MachineKey> keys;
  if (const auto problem = quorvex::keys::ReadMachineKeys(document, keys)) {
    if (problem->empty()) __builtin_trap();
    return 0;
  }
  for (const auto& key : keys) {
    const auto bytes =
        key.value.present ? std::optional<std::string_view>(key.value.bytes) : std::nullopt;
    if (key.kind == nullptr || key.pointer.empty() || key.pointer[0] != '/' ||
        key.quality != quorvex::JudgeKey(*key.kind, bytes)) {
      __builtin_trap();
    }
  }
  return 0;
}

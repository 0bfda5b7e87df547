// Any bytes read as a fingerprint document: a hostile file must not trip
// the sanitizers or run anything out of stack; what the reader takes is in
// order and each once, and written again it is read back the same, so that a
// fingerprint has one document; what nlohmann's own parser refuses, the
// reader refuses.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "quorvex/fingerprint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  quorvex::Fingerprint read;
  const auto refusal = quorvex::ReadFingerprintDocument(document, read);
  if (refusal) {
    if (quorvex::FailureMessage(*refusal).empty()) __builtin_trap();
    return 0;
  }
  for (std::size_t i = 1; i < read.components.size(); ++i) {
    if (!(read.components[i - 1] < read.components[i])) __builtin_trap();
  }
  quorvex::Fingerprint again;
  const std::string written = quorvex::FingerprintDocument(read);
  if (quorvex::ReadFingerprintDocument(written, again) || !(again == read)) __builtin_trap();
  if (nlohmann::json::parse(document.begin(), document.end(), nullptr, false).is_discarded()) {
    __builtin_trap();
  }
  return 0;
}

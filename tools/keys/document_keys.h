// The machine keys of an identities document (quorvex-identities, version 1
// or 2), wherever it came from: a capture replayed, a file saved earlier,
// this machine. Each key is judged afresh from its value; whatever "keys"
// the document carries is not taken on trust.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/machine_keys.h"

namespace quorvex::keys {

struct KeyValue {
  bool present = false;  // false: null in the document, a value not read
  bool hex = false;      // written as {"hex": ...}: bytes that are not UTF-8
  std::string bytes;
};

struct MachineKey {
  const MachineKeyKind* kind = nullptr;
  std::string pointer;  // RFC 6901, into the document it was read from
  KeyValue value;
  KeyQuality quality = KeyQuality::kAbsent;
};

// Appends the document's machine keys to `keys`, in report order: the GPUs'
// UUIDs, the drives' serial numbers, then the SMBIOS structures' keys in
// table order. On text that is not JSON, or not an identities document where
// it is read, returns what is wrong and where, and `keys` is unspecified.
std::optional<std::string> ReadMachineKeys(std::string_view document,
                                           std::vector<MachineKey>& keys);

// The same, of the identities document saved in `file`; a problem names the
// file, and the file gets the refusals of any capture file.
std::optional<std::string> ReadDocumentKeys(const std::filesystem::path& file,
                                            std::vector<MachineKey>& keys);

// The value as the document writes it: a string, {"hex": ...} or null.
void AppendKeyValue(std::string& out, const KeyValue& value);

// The value as the report shows it: its placeholder when it was not read,
// and on a console its controls made visible.
std::string ShownKeyValue(const MachineKey& key);

}  // namespace quorvex::keys

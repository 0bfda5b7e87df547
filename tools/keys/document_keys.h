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

// Appends the document's machine keys to `keys`, in report order: the GPUs'
// UUIDs, the drives' serial numbers, then the SMBIOS structures' keys in
// table order. The document is read in one pass, keeping nothing but the
// keys and what places them; the members the format does not name are
// skipped, whatever they hold. On text that is not JSON, or not an
// identities document where it is read, returns what is wrong and where
// (an RFC 6901 pointer), every byte of it shown as on a console; `keys` is
// then unspecified.
std::optional<std::string> ReadMachineKeys(std::string_view document,
                                           std::vector<MachineKey>& keys);

// The same, of the identities document saved in `file`; a problem names the
// file, and the file gets the refusals of any capture file.
std::optional<std::string> ReadDocumentKeys(const std::filesystem::path& file,
                                            std::vector<MachineKey>& keys);

// The value as a document writes it: a string, {"hex": ...} or null.
void AppendKeyValue(std::string& out, const std::optional<std::string>& value);

// The value as the report shows it: its placeholder when it was not read,
// and on a console its controls made visible.
std::string ShownKeyValue(const MachineKey& key, bool console);

// A name or a value as text output shows it: on a console its controls made
// visible, else its exact bytes.
std::string Shown(std::string_view text, bool console);

}  // namespace quorvex::keys

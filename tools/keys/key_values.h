// How --keys and --diff write a key's value: in a document as the identities
// document writes it, in text as the report shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "quorvex/machine_keys.h"
#include "report/json_text.h"
#include "report/log_line.h"

namespace quorvex::keys {

// A string, {"hex": ...} or null.
inline void AppendKeyValue(std::string& out, const std::optional<std::string>& value) {
  if (value) {
    AppendJsonValue(out, *value);
  } else {
    out += "null";
  }
}

// A name or a value as text output shows it: on a console its controls made
// visible, else its exact bytes.
inline std::string Shown(std::string_view text, bool console) {
  return console ? ConsoleVisible(text) : std::string(text);
}

// The key's placeholder when it was not read, else its value as Shown.
inline std::string ShownKeyValue(const MachineKey& key, bool console) {
  return key.value ? Shown(*key.value, console) : std::string(InfoOf(key.kind).placeholder);
}

}  // namespace quorvex::keys

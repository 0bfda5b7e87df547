// Registry export files as regedit and reg.exe write them: "Windows Registry
// Editor Version 5.00" (UTF-16LE with a byte-order mark, or UTF-8) and
// "REGEDIT4". Keys are [HKEY_LOCAL_MACHINE\...] sections, [-...] removes a
// key with everything below it, and values follow their key, one a line:
// "name"="text", @="text" (the default value), "name"=dword:0000002a,
// "name"=hex:01,02 or hex(N):... (a list that ends in a backslash goes on
// on the next line), and "name"=- to remove a value.
#pragma once

#include <optional>
#include <string>

#include "standin/model/machine.h"

namespace quorvex::replay {

// Applies the file's keys and values to `registry` in file order. Texts are
// stored as the narrow (UTF-8) functions return them: with their NUL, and
// converted from UTF-16 where a Version 5 file holds string types as hex.
// On a malformed file returns a message that names the line; `registry` is
// then partly filled.
std::optional<std::string> ApplyRegFile(const standin::Bytes& file, standin::Registry& registry);

}  // namespace quorvex::replay

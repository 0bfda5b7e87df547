// --fingerprint, --match and --new-key as both tools run them: machine
// fingerprints under the application's key, of captures or of the machine
// the tool runs on, and the match of two.
#pragma once

#include "keys/compare_captures.h"
#include "tool_arguments.h"

namespace quorvex::keys {

// --fingerprint --key FILE [--from LIST] [CAPTURE...]: one fingerprint
// document a line, one for every capture named, in the order named (a name
// given twice gives two lines); with no CAPTURE and no LIST, this machine's.
// Every capture is read before anything is written. Returns the exit status.
int RunFingerprint(const tools::ToolArguments& arguments, const CaptureSources& sources);

// --match [--json] ENROLLED CURRENT, or --match [--json] --key FILE ENROLLED
// against this machine now: 0 for the same machine, 1 for a different one,
// 2 on trouble.
int RunMatch(const tools::ToolArguments& arguments, const CaptureSources& sources);

// --new-key FILE: a new key from the system's random generator, in a file
// made for it; never one that exists. Returns the exit status.
int RunNewKey(const tools::ToolArguments& arguments, const CaptureSources& sources);

}  // namespace quorvex::keys

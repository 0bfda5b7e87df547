// --keys and --diff as both tools run them: the captures named on the command
// line and in --from's list, each read once, every one before anything is
// printed, then the keys or the changes on standard output.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "quorvex/machine_keys.h"
#include "tool_arguments.h"

namespace quorvex::keys {

// Where a tool takes keys from besides identities documents. Chosen by each
// tool's main: the replay replays capture folders, the capture tool asks
// the machine it runs on and refuses folders.
struct CaptureSources {
  const char* tool;  // its name, the first word of every message
  // A capture folder's keys, or what is wrong.
  std::optional<std::string> (*folder)(const std::filesystem::path& folder,
                                       std::vector<MachineKey>& keys);
  // The keys of the machine the tool runs on; nullptr where there is none.
  std::optional<std::string> (*thisMachine)(std::vector<MachineKey>& keys);
  // Whether standard output shows what it is given (a console, a terminal),
  // so that the text shows values with their controls made visible.
  bool (*outputIsConsole)();
};

// What --keys, --diff, --fingerprint and --match call the machine the tool runs on.
inline constexpr const char* kThisMachine = "this machine";

// What the exit status says when a mode could not do its work.
inline constexpr int kTrouble = 2;

// A name as the command line or a list gives it: UTF-8, as the manifest's
// code page makes Windows hand over arguments; std::nullopt when it is not.
std::optional<std::filesystem::path> PathOf(const std::string& name);

// The captures a mode names: its operands, then those of --from's LIST (a
// capture a line, UTF-8, CR LF or LF, empty lines skipped). False, with the
// message given, when the list cannot be read or names none.
bool NamedCaptures(const tools::ToolArguments& arguments, const CaptureSources& sources,
                   std::vector<std::string>& names);

// One capture's keys: a folder as the tool takes folders, any other name
// as an identities document; or the message that says why not.
std::optional<std::string> LoadCaptureKeys(const std::string& name, const CaptureSources& sources,
                                           std::vector<MachineKey>& keys);

// The keys of the machine the tool runs on; false, with the message given, when they cannot be had.
bool LoadThisMachineKeys(const CaptureSources& sources, std::vector<MachineKey>& keys);

// --keys [--json] [--from LIST] [CAPTURE...]: with no CAPTURE and no LIST,
// this machine. Returns the exit status.
int RunKeys(const tools::ToolArguments& arguments, const CaptureSources& sources);

// --diff [--json] OLD [NEW]: with no NEW, this machine. Returns the exit
// status diff(1) gives: 0 when nothing changed, 1 when something did, 2 on
// trouble.
int RunDiff(const tools::ToolArguments& arguments, const CaptureSources& sources);

}  // namespace quorvex::keys

// quorvex-replay [--json] CAPTURE_FOLDER: the report of the machine captured
// in the folder, or its identities as one JSON document, produced by the same
// run sequence against the stand-in platform.
// quorvex-replay --keys [--json] CAPTURE...: the machine keys of captures
// (folders or identities documents) and the values they share.
// quorvex-replay --diff [--json] OLD NEW: which of them changed.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "keys/keys_diff.h"
#include "keys/keys_report.h"
#include "keys/machine_identities.h"
#include "quorvex/report.h"
#include "replay/capture_folder.h"
#include "standin/model/machine.h"
#include "tool_arguments.h"

namespace {

constexpr int kBadCall = 2;

constexpr std::string_view kUsage =
    "usage: quorvex-replay [--json] [--] CAPTURE_FOLDER\n"
    "       quorvex-replay --keys [--json] [--] CAPTURE...\n"
    "       quorvex-replay --diff [--json] [--] OLD NEW\n"
    "Prints the report of the machine captured in CAPTURE_FOLDER, as quorvex.exe\n"
    "printed it there; with --json, its identities as one JSON document.\n"
    "With --keys, the machine keys of each CAPTURE (a capture folder, or an\n"
    "identities document that --json wrote), whether each can serve as a key,\n"
    "and the values that two or more captures share; with --json as one document.\n"
    "With --diff, the machine keys that changed from OLD to NEW (each a CAPTURE),\n"
    "were added or removed; exit status 0 when none did, 1 when some did.\n"
    "A folder whose name begins with - is given after --.\n";

// A capture folder is replayed into its identities document; any other
// CAPTURE is read as a saved document.
std::optional<std::string> LoadCaptureKeys(const std::string& name,
                                           std::vector<quorvex::keys::MachineKey>& keys) {
  const std::filesystem::path path = std::filesystem::u8path(name);
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) {
    return quorvex::keys::ReadDocumentKeys(path, keys);
  }
  quorvex::standin::ResetMachine();
  if (auto problem = quorvex::replay::LoadCaptureFolder(path, quorvex::standin::TheMachine())) {
    return problem;
  }
  if (auto problem = quorvex::keys::ReadMachineKeys(quorvex::keys::MachineIdentities(), keys)) {
    return name + ": " + *problem;
  }
  return std::nullopt;
}

// --keys and --diff: every capture is read before anything is written, so a
// bad one stops the whole call with nothing on standard output.
int CompareCaptures(const quorvex::tools::ToolArguments& arguments) {
  std::vector<quorvex::keys::CaptureKeys> captures;
  for (const std::string& name : arguments.operands) {
    quorvex::keys::CaptureKeys& capture = captures.emplace_back();
    capture.name = name;
    if (const auto problem = LoadCaptureKeys(name, capture.keys)) {
      std::cerr << "quorvex-replay: " << *problem << "\n";
      return kBadCall;
    }
  }
  quorvex::standin::TheMachine().console = ::isatty(STDOUT_FILENO) != 0;
  if (arguments.keys) {
    quorvex::keys::PrintKeys(captures, arguments.json);
    return 0;
  }
  return quorvex::keys::PrintDiff(quorvex::keys::DiffKeys(captures[0].keys, captures[1].keys),
                                  captures[0].name, captures[1].name, arguments.json);
}

}  // namespace

int main(int argc, char** argv) {
  const quorvex::tools::ToolArguments arguments = quorvex::tools::ParseToolArguments(argc, argv);
  if (arguments.help) {
    std::cout << kUsage;
    return 0;
  }
  const std::size_t operands = arguments.operands.size();
  const bool operandsFit = arguments.keys && arguments.diff ? false
                           : arguments.keys                 ? operands > 0
                           : arguments.diff                 ? operands == 2
                                                            : operands == 1;
  if (!arguments.refused.empty() || !operandsFit) {
    if (!arguments.refused.empty())
      std::cerr << "quorvex-replay: no option " << arguments.refused << "\n";
    std::cerr << kUsage;
    return kBadCall;
  }
  quorvex::BufferStandardOutput();
  if (arguments.keys || arguments.diff) return CompareCaptures(arguments);
  quorvex::standin::ResetMachine();
  if (const auto problem = quorvex::replay::LoadCaptureFolder(arguments.operands[0],
                                                              quorvex::standin::TheMachine())) {
    std::cerr << "quorvex-replay: " << *problem << "\n";
    return kBadCall;
  }
  // On a terminal the replay is looked at like the report on a console, and
  // must be as safe to look at; a file or a pipe gets the exact bytes.
  quorvex::standin::TheMachine().console = ::isatty(STDOUT_FILENO) != 0;
  if (arguments.json) {
    quorvex::WriteIdentitiesJson();
    return 0;
  }
  return quorvex::RunReport();
}

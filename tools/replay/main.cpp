// quorvex-replay [--json] CAPTURE_FOLDER: the report of the machine captured
// in the folder, or its identities as one JSON document, produced by the same
// run sequence against the stand-in platform.
// quorvex-replay --keys [--json] CAPTURE...: the machine keys of captures
// (folders or identities documents) and the values they share.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

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
    "Prints the report of the machine captured in CAPTURE_FOLDER, as quorvex.exe\n"
    "printed it there; with --json, its identities as one JSON document.\n"
    "With --keys, the machine keys of each CAPTURE (a capture folder, or an\n"
    "identities document that --json wrote), whether each can serve as a key,\n"
    "and the values that two or more captures share; with --json as one document.\n"
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

int WriteKeys(const quorvex::tools::ToolArguments& arguments) {
  // Every capture is read before anything is written, so a bad one stops
  // the whole call with nothing on standard output.
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
  quorvex::keys::PrintKeys(captures, arguments.json);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const quorvex::tools::ToolArguments arguments = quorvex::tools::ParseToolArguments(argc, argv);
  if (arguments.help) {
    std::cout << kUsage;
    return 0;
  }
  const bool operandsFit =
      arguments.keys ? !arguments.operands.empty() : arguments.operands.size() == 1;
  if (!arguments.refused.empty() || !operandsFit) {
    if (!arguments.refused.empty())
      std::cerr << "quorvex-replay: no option " << arguments.refused << "\n";
    std::cerr << kUsage;
    return kBadCall;
  }
  quorvex::BufferStandardOutput();
  if (arguments.keys) return WriteKeys(arguments);
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

// quorvex-capture [--] DIR: writes what this machine answers to the report's
// requests into DIR, as a capture folder that quorvex-replay reads;
// quorvex-capture --json prints its identities as one JSON document instead,
// --keys [--json] its machine keys, each judged, and --diff [--json] SAVED
// those that changed since SAVED, a document --json wrote.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <vector>

#include "capture/capture_writer.h"
#include "capture/registry_capture.h"
#include "keys/keys_diff.h"
#include "keys/keys_report.h"
#include "keys/machine_identities.h"
#include "platform/win32.h"
#include "quorvex/report.h"
#include "tool_arguments.h"

namespace {

constexpr int kBadCall = 2;

constexpr const char* kUsage =
    "usage: quorvex-capture [--] FOLDER\n"
    "       quorvex-capture --json\n"
    "       quorvex-capture --keys [--json]\n"
    "       quorvex-capture --diff [--json] [--] SAVED\n"
    "Writes this machine's answers to the report's requests into FOLDER, a new or\n"
    "empty folder, for quorvex-replay; with --json, prints this machine's identities\n"
    "as one JSON document and writes no folder; with --keys, its machine keys and\n"
    "whether each can serve as a key; with --diff, the machine keys that changed\n"
    "since SAVED, a document --json wrote (exit status 0 when none did, 1 when some\n"
    "did). The output holds the machine's serial numbers. A folder whose name\n"
    "begins with - is given after --.\n";

// What --keys and --diff call the machine the tool runs on.
constexpr const char* kThisMachine = "this machine";

// --keys of this machine, or --diff between a saved document and this machine.
int CompareWithThisMachine(const quorvex::tools::ToolArguments& arguments) {
  quorvex::keys::CaptureKeys saved;
  if (arguments.diff) {
    saved.name = arguments.operands[0];
    const auto file = std::filesystem::u8path(saved.name);
    if (const auto problem = quorvex::keys::ReadDocumentKeys(file, saved.keys)) {
      std::cerr << "quorvex-capture: " << *problem << "\n";
      return kBadCall;
    }
  }
  std::vector<quorvex::keys::CaptureKeys> captures(1);
  captures[0].name = kThisMachine;
  if (const auto problem =
          quorvex::keys::ReadMachineKeys(quorvex::keys::MachineIdentities(), captures[0].keys)) {
    std::cerr << "quorvex-capture: " << kThisMachine << ": " << *problem << "\n";
    return kBadCall;
  }
  if (arguments.keys) {
    quorvex::keys::PrintKeys(captures, arguments.json);
    return 0;
  }
  return quorvex::keys::PrintDiff(quorvex::keys::DiffKeys(saved.keys, captures[0].keys), saved.name,
                                  kThisMachine, arguments.json);
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
                           : arguments.keys                 ? operands == 0
                           : arguments.diff                 ? operands == 1
                           : arguments.json                 ? operands == 0
                                                            : operands == 1;
  if (!arguments.refused.empty() || !operandsFit) {
    if (!arguments.refused.empty()) {
      std::cerr << "quorvex-capture: no option " << arguments.refused << "\n";
    }
    std::cerr << kUsage;
    return kBadCall;
  }
  // The folder name, the listing and the document are UTF-8, as the
  // manifest's code page makes argv and the texts the system hands over.
  ::SetConsoleOutputCP(CP_UTF8);
  if (arguments.keys || arguments.diff) {
    quorvex::BufferStandardOutput();
    return CompareWithThisMachine(arguments);
  }
  if (arguments.json) {
    quorvex::BufferStandardOutput();
    quorvex::WriteIdentitiesJson();
    return 0;
  }
  const std::filesystem::path folder = std::filesystem::u8path(arguments.operands[0]);
  if (const auto problem = quorvex::capture::PrepareCaptureFolder(folder)) {
    std::cerr << "quorvex-capture: " << *problem << "\n";
    return kBadCall;
  }
  if (const auto problem = quorvex::capture::WriteCaptureFiles(
          folder, quorvex::capture::CaptureMachine(quorvex::capture::CaptureRegistry()),
          std::cout)) {
    std::cerr << "quorvex-capture: " << *problem << "\n";
    return kBadCall;
  }
  return 0;
}

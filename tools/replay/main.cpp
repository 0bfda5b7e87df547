// quorvex-replay [--json] CAPTURE_FOLDER: the report of the machine captured
// in the folder, or its identities as one JSON document, produced by the same
// run sequence against the stand-in platform.
// quorvex-replay --keys [--json] [--from LIST] CAPTURE...: the machine keys
// of captures (folders or identities documents) and the values they share.
// quorvex-replay --diff [--json] OLD NEW: which of them changed.
// quorvex-replay --fingerprint --key FILE [--from LIST] CAPTURE...: their
// machine fingerprints under an application's key; --match [--json]
// ENROLLED CURRENT: whether two fingerprints are of one machine;
// --new-key FILE: a new key.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "keys/compare_captures.h"
#include "keys/fingerprint_captures.h"
#include "quorvex/machine_keys.h"
#include "quorvex/report.h"
#include "replay/capture_folder.h"
#include "standin/model/machine.h"
#include "tool_arguments.h"
#include "tool_output.h"

namespace {

constexpr int kBadCall = 2;
constexpr const char* kTool = "quorvex-replay";

constexpr std::string_view kUsage =
    "usage: quorvex-replay [--json] [--] CAPTURE_FOLDER\n"
    "       quorvex-replay --keys [--json] [--from LIST] [--] CAPTURE...\n"
    "       quorvex-replay --diff [--json] [--] OLD NEW\n"
    "       quorvex-replay --fingerprint --key FILE [--from LIST] [--] CAPTURE...\n"
    "       quorvex-replay --match [--json] [--] ENROLLED CURRENT\n"
    "       quorvex-replay --new-key FILE\n"
    "Prints the report of the machine captured in CAPTURE_FOLDER, as quorvex.exe\n"
    "printed it there; with --json, its identities as one JSON document.\n"
    "With --keys, the machine keys of each CAPTURE (a capture folder, or an\n"
    "identities document that --json wrote), whether each can serve as a key,\n"
    "and the values that two or more captures share; with --json as one document.\n"
    "--from LIST names more CAPTUREs, one a line (- for standard input).\n"
    "With --diff, the machine keys that changed from OLD to NEW (each a CAPTURE),\n"
    "were added or removed; exit status 0 when none did, 1 when some did.\n"
    "With --fingerprint, each CAPTURE's machine fingerprint under the key in FILE,\n"
    "one document a line; with --match, whether the fingerprint documents ENROLLED\n"
    "and CURRENT are of the same machine (exit status 0) or not (1). --new-key\n"
    "writes a new key to FILE, which must not exist (docs/fingerprints.md).\n"
    "A folder whose name begins with - is given after --.\n";

// A capture folder is replayed into its identities, as the report would see them.
std::optional<std::string> ReplayFolderKeys(const std::filesystem::path& folder,
                                            std::vector<quorvex::MachineKey>& keys) {
  quorvex::Identities identities;
  if (auto problem = quorvex::ReadCaptureFolder(folder, identities)) {
    return quorvex::FailureMessage(*problem);
  }
  keys = quorvex::MachineKeys(identities);
  return std::nullopt;
}

bool TerminalOutput() { return ::isatty(STDOUT_FILENO) != 0; }

constexpr quorvex::keys::CaptureSources kSources = {kTool, ReplayFolderKeys, nullptr,
                                                    TerminalOutput};

bool OperandsFit(const quorvex::tools::ToolArguments& arguments) {
  const std::size_t operands = arguments.operands.size();
  if (quorvex::tools::Modes(arguments) > 1) return false;
  if (arguments.newKey)
    return !arguments.json && !arguments.key && !arguments.from && operands == 0;
  if (arguments.fingerprint)
    return arguments.key && !arguments.json && (operands > 0 || arguments.from);
  if (arguments.key) return false;
  if (arguments.keys) return operands > 0 || arguments.from;
  if (arguments.from) return false;
  return arguments.diff || arguments.match ? operands == 2 : operands == 1;
}

}  // namespace

int main(int argc, char** argv) {
  const quorvex::tools::ToolArguments arguments = quorvex::tools::ParseToolArguments(argc, argv);
  if (arguments.help) {
    std::cout << kUsage;
    return 0;
  }
  if (!arguments.refused.empty() || !OperandsFit(arguments)) {
    if (!arguments.refused.empty()) quorvex::tools::Complain(kTool, arguments.refused);
    std::cerr << kUsage;
    return kBadCall;
  }
  quorvex::BufferStandardOutput();
  if (arguments.keys) return quorvex::keys::RunKeys(arguments, kSources);
  if (arguments.diff) return quorvex::keys::RunDiff(arguments, kSources);
  if (arguments.fingerprint) return quorvex::keys::RunFingerprint(arguments, kSources);
  if (arguments.match) return quorvex::keys::RunMatch(arguments, kSources);
  if (arguments.newKey) return quorvex::keys::RunNewKey(arguments, kSources);
  quorvex::standin::ResetMachine();
  if (const auto problem = quorvex::replay::LoadCaptureFolder(
          std::filesystem::u8path(arguments.operands[0]), quorvex::standin::TheMachine())) {
    quorvex::tools::Complain(kTool, quorvex::FailureMessage(*problem));
    return kBadCall;
  }
  // On a terminal the replay is looked at like the report on a console, and
  // must be as safe to look at; a file or a pipe gets the exact bytes.
  quorvex::standin::TheMachine().console = TerminalOutput();
  if (arguments.json) {
    if (const auto refused = quorvex::WriteIdentitiesJson()) {
      quorvex::tools::Complain(kTool, quorvex::FailureMessage(*refused));
      return kBadCall;
    }
    return quorvex::tools::FinishStandardOutput(kTool, 0);
  }
  return quorvex::RunReport();
}

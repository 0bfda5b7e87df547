// quorvex-capture [--] DIR: writes what this machine answers to the report's
// requests into DIR, as a capture folder that quorvex-replay reads;
// quorvex-capture --json prints its identities as one JSON document instead,
// --keys [--json] [--from LIST] [CAPTURE...] the machine keys of this machine
// or of saved documents, each judged, and --diff [--json] OLD [NEW] those
// that changed from OLD to NEW, or to this machine; --fingerprint --key
// FILE [--from LIST] [DOCUMENT...] the machine fingerprints of this machine
// or of saved documents, --match [--json] ENROLLED [CURRENT] whether two
// fingerprints, or one and this machine's (with --key), are of one machine,
// and --new-key FILE a new key.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <vector>

#include "capture/capture_writer.h"
#include "capture/registry_capture.h"
#include "keys/compare_captures.h"
#include "keys/fingerprint_captures.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "quorvex/machine_keys.h"
#include "quorvex/report.h"
#include "tool_arguments.h"
#include "tool_output.h"

namespace {

constexpr int kBadCall = 2;
constexpr const char* kTool = "quorvex-capture";

constexpr const char* kUsage =
    "usage: quorvex-capture [--] FOLDER\n"
    "       quorvex-capture --json\n"
    "       quorvex-capture --keys [--json] [--from LIST] [--] [CAPTURE...]\n"
    "       quorvex-capture --diff [--json] [--] OLD [NEW]\n"
    "       quorvex-capture --fingerprint --key FILE [--from LIST] [--] [DOCUMENT...]\n"
    "       quorvex-capture --match [--json] [--] ENROLLED CURRENT\n"
    "       quorvex-capture --match [--json] --key FILE [--] ENROLLED\n"
    "       quorvex-capture --new-key FILE\n"
    "Writes this machine's answers to the report's requests into FOLDER, a new or\n"
    "empty folder, for quorvex-replay; with --json, prints this machine's identities\n"
    "as one JSON document and writes no folder. With --keys, the machine keys of\n"
    "this machine, or of each CAPTURE (an identities document that --json wrote),\n"
    "whether each can serve as a key and the values captures share; --from LIST\n"
    "names more CAPTUREs, one a line (- for standard input). With --diff, the\n"
    "machine keys that changed from OLD to NEW, or to this machine without NEW\n"
    "(exit status 0 when none did, 1 when some did). The output holds the\n"
    "machine's serial numbers. With --fingerprint, the machine fingerprint of this\n"
    "machine or of each DOCUMENT under the key in FILE, one document a line; with\n"
    "--match, whether ENROLLED and CURRENT (fingerprint documents), or ENROLLED and\n"
    "this machine's fingerprint under FILE, are of the same machine (exit status 0)\n"
    "or not (1). --new-key writes a new key to FILE, which must not exist.\n"
    "A folder whose name begins with - is given after --.\n";

// A capture folder is the replay's to read: it needs the stand-in machine.
std::optional<std::string> RefuseFolder(const std::filesystem::path& folder,
                                        std::vector<quorvex::MachineKey>& /*keys*/) {
  return folder.u8string() +
         ": a capture folder; turn it into a document with quorvex-replay --json first";
}

std::optional<std::string> ThisMachineKeys(std::vector<quorvex::MachineKey>& keys) {
  keys = quorvex::MachineKeys(quorvex::ReadThisMachine());
  return std::nullopt;
}

bool ConsoleOutput() {
  DWORD mode = 0;
  // The standard handle is the process's own: borrowed here, never closed.
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

constexpr quorvex::keys::CaptureSources kSources = {kTool, RefuseFolder, ThisMachineKeys,
                                                    ConsoleOutput};

bool OperandsFit(const quorvex::tools::ToolArguments& arguments) {
  const std::size_t operands = arguments.operands.size();
  if (quorvex::tools::Modes(arguments) > 1) return false;
  if (arguments.newKey)
    return !arguments.json && !arguments.key && !arguments.from && operands == 0;
  if (arguments.fingerprint) return arguments.key && !arguments.json;
  if (arguments.match) {
    return !arguments.from && (arguments.key ? operands == 1 : operands == 2);
  }
  if (arguments.key) return false;
  if (arguments.keys) return true;
  if (arguments.from) return false;
  if (arguments.diff) return operands == 1 || operands == 2;
  return arguments.json ? operands == 0 : operands == 1;
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
  // The folder name, the listing and the document are UTF-8, as the
  // manifest's code page makes argv and the texts the system hands over.
  // Every way out below flushes standard output before the console's code
  // page is put back.
  const quorvex::ScopedConsoleOutputCodePage utf8(CP_UTF8);
  quorvex::BufferStandardOutput();
  if (arguments.keys) return quorvex::keys::RunKeys(arguments, kSources);
  if (arguments.diff) return quorvex::keys::RunDiff(arguments, kSources);
  if (arguments.fingerprint) return quorvex::keys::RunFingerprint(arguments, kSources);
  if (arguments.match) return quorvex::keys::RunMatch(arguments, kSources);
  if (arguments.newKey) return quorvex::keys::RunNewKey(arguments, kSources);
  if (arguments.json) {
    if (const auto refused = quorvex::WriteIdentitiesJson()) {
      quorvex::tools::Complain(kTool, quorvex::FailureMessage(*refused));
      return kBadCall;
    }
    return quorvex::tools::FinishStandardOutput(kTool, 0);
  }
  const std::filesystem::path folder = std::filesystem::u8path(arguments.operands[0]);
  if (const auto problem = quorvex::capture::PrepareCaptureFolder(folder)) {
    quorvex::tools::Complain(kTool, *problem);
    return kBadCall;
  }
  if (const auto problem = quorvex::capture::WriteCaptureFiles(
          folder, quorvex::capture::CaptureMachine(quorvex::capture::CaptureRegistry()),
          std::cout)) {
    quorvex::tools::Complain(kTool, *problem);
    return kBadCall;
  }
  return quorvex::tools::FinishStandardOutput(kTool, 0);
}

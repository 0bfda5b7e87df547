// quorvex-replay [--json] CAPTURE_FOLDER: the report of the machine captured
// in the folder, or its identities as one JSON document, produced by the same
// run sequence against the stand-in platform.
#include <unistd.h>

#include <iostream>

#include "quorvex/report.h"
#include "replay/capture_folder.h"
#include "standin/model/machine.h"
#include "tool_arguments.h"

namespace {

constexpr int kBadCall = 2;

constexpr std::string_view kUsage =
    "usage: quorvex-replay [--json] [--] CAPTURE_FOLDER\n"
    "Prints the report of the machine captured in CAPTURE_FOLDER, as quorvex.exe\n"
    "printed it there; with --json, its identities as one JSON document.\n"
    "A folder whose name begins with - is given after --.\n";

}  // namespace

int main(int argc, char** argv) {
  const quorvex::tools::ToolArguments arguments = quorvex::tools::ParseToolArguments(argc, argv);
  if (arguments.help) {
    std::cout << kUsage;
    return 0;
  }
  if (!arguments.refused.empty() || arguments.operands.size() != 1) {
    if (!arguments.refused.empty())
      std::cerr << "quorvex-replay: no option " << arguments.refused << "\n";
    std::cerr << kUsage;
    return kBadCall;
  }
  quorvex::standin::ResetMachine();
  if (const auto problem = quorvex::replay::LoadCaptureFolder(arguments.operands[0],
                                                              quorvex::standin::TheMachine())) {
    std::cerr << "quorvex-replay: " << *problem << "\n";
    return kBadCall;
  }
  // On a terminal the replay is looked at like the report on a console, and
  // must be as safe to look at; a file or a pipe gets the exact bytes.
  quorvex::standin::TheMachine().console = ::isatty(STDOUT_FILENO) != 0;
  quorvex::BufferStandardOutput();
  if (arguments.json) {
    quorvex::WriteIdentitiesJson();
    return 0;
  }
  return quorvex::RunReport();
}

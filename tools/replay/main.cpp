// quorvex-replay DIR: the report of the machine captured in DIR, produced by
// the same run sequence against the stand-in platform.
#include <unistd.h>

#include <iostream>

#include "quorvex/report.h"
#include "replay/capture_folder.h"
#include "standin/model/machine.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quorvex-replay CAPTURE_FOLDER\n";
    return 2;
  }
  quorvex::standin::ResetMachine();
  if (const auto problem =
          quorvex::replay::LoadCaptureFolder(argv[1], quorvex::standin::TheMachine())) {
    std::cerr << "quorvex-replay: " << *problem << "\n";
    return 2;
  }
  // On a terminal the replay is looked at like the report on a console, and
  // must be as safe to look at; a file or a pipe gets the exact bytes.
  quorvex::standin::TheMachine().console = ::isatty(STDOUT_FILENO) != 0;
  quorvex::BufferStandardOutput();
  return quorvex::RunReport();
}

// quorvex-capture DIR: writes what this machine answers to the report's
// requests into DIR, as a capture folder that quorvex-replay reads.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <vector>

#include "capture/capture_writer.h"
#include "capture/registry_capture.h"
#include "platform/win32.h"

namespace {

constexpr int kFolderProblem = 2;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quorvex-capture FOLDER\n"
                 "Writes this machine's answers to the report's requests into FOLDER, a new or\n"
                 "empty folder, for quorvex-replay. The files hold the machine's serial numbers.\n";
    return kFolderProblem;
  }
  // The folder name and the listing are UTF-8, as the manifest's code page makes argv.
  ::SetConsoleOutputCP(CP_UTF8);
  const std::filesystem::path folder = std::filesystem::u8path(argv[1]);
  if (const auto problem = quorvex::capture::PrepareCaptureFolder(folder)) {
    std::cerr << "quorvex-capture: " << *problem << "\n";
    return kFolderProblem;
  }
  if (const auto problem = quorvex::capture::WriteCaptureFiles(
          folder, quorvex::capture::CaptureMachine(quorvex::capture::CaptureRegistry()),
          std::cout)) {
    std::cerr << "quorvex-capture: " << *problem << "\n";
    return kFolderProblem;
  }
  return 0;
}

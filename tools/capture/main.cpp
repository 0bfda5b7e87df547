// quorvex-capture DIR: writes what this machine answers to the report's
// requests into DIR, as a capture folder that quorvex-replay reads.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <vector>

#include "capture/capture_writer.h"
#include "capture/reg_export.h"
#include "capture/registry_capture.h"
#include "capture_format.h"
#include "disk/storage_query.h"
#include "platform/win32.h"
#include "quorvex/drive_identity.h"
#include "smbios/smbios_fetch.h"

namespace {

using quorvex::capture::CaptureFile;

constexpr int kFolderProblem = 2;

std::vector<CaptureFile> CaptureMachine() {
  std::vector<CaptureFile> files;
  const quorvex::capture::RegistryCapture registry = quorvex::capture::CaptureRegistry();
  if (registry.deviceSetFails) {
    files.push_back({quorvex::capture_format::kSetupApiFailsFile, {}});
  } else {
    files.push_back(
        {quorvex::capture_format::kRegistryFile, quorvex::capture::WriteRegFile(registry.keys)});
  }
  for (std::int32_t number = 0; number < quorvex::kDriveCount; ++number) {
    for (CaptureFile& file :
         quorvex::capture::DriveFiles(number, quorvex::QueryStorageDescriptor(number))) {
      files.push_back(std::move(file));
    }
  }
  for (CaptureFile& file : quorvex::capture::FirmwareFiles(quorvex::FetchSmbiosTable())) {
    files.push_back(std::move(file));
  }
  return files;
}

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
  if (const auto problem =
          quorvex::capture::WriteCaptureFiles(folder, CaptureMachine(), std::cout)) {
    std::cerr << "quorvex-capture: " << *problem << "\n";
    return kFolderProblem;
  }
  return 0;
}

#include "quorvex/report.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/banner.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "report/log_line.h"

namespace quorvex {
namespace {

constexpr std::string_view kOpened = "Initialise successfully!";
constexpr std::string_view kClosed = "Cleanup successfully!";

// Larger than the lines the report writes (a registry text is at most 1024
// bytes), so that each line leaves in one write.
constexpr std::size_t kStdoutBufferBytes = 8192;

void PrintBanner() {
  std::cout << "\n";
  for (const char* row : BannerLines) std::cout << row;
  std::cout << "\n"
            << "                    Quorvex v1.0\n"
            << "              [ Direct Driver Access Mode ]\n"
            << "\n";
}

void ClosePhase(std::string_view section) {
  LogLine(section, kClosed);
  EmptyLine();
}

void PrintDrive(std::int32_t number, const DriveIdentity& drive) {
  const std::string tag = "[" + std::to_string(number) + "] ";
  LogLine(kDiskSection, tag + "SerialNumber: ", drive.serialNumber);
  LogLine(kDiskSection, tag + "Model: ", drive.model);
  LogLine(kDiskSection, tag + "Firmware: ", drive.firmware);
}

void RunDrivePhase() {
  LogLine(kDiskSection, kOpened);
  LogLine(kDiskSection, "Reading serials...");
  for (std::int32_t number = 0; number < kDriveCount; ++number) {
    const DriveIdentity drive = QueryDriveIdentity(number);
    // A drive that answered nothing useful is left out; its number stays
    // unused so that a gap shows.
    if (drive.serialNumber == kNotRead && drive.model == kNotRead) continue;
    PrintDrive(number, drive);
  }
  ClosePhase(kDiskSection);
}

}  // namespace

void BufferStandardOutput() { std::setvbuf(stdout, nullptr, _IOFBF, kStdoutBufferBytes); }

int RunReport() {
  // Without a console (output redirected) this fails; the bytes written are the same either way.
  ::SetConsoleOutputCP(CP_UTF8);
  DecideConsoleOutput();
  PrintBanner();

  LogLine(kNvidiaSection, kOpened);
  CollectNvidiaGpus();
  ClosePhase(kNvidiaSection);

  RunDrivePhase();

  LogLine(kSmbiosSection, kOpened);
  DumpSmbios();
  ClosePhase(kSmbiosSection);

  LogLine("HWID collection completed!");
  EmptyLine();
  // No flush here: std::cin is tied to std::cout, so the read below puts the prompt on screen.
  std::cout << kTag << " Press Enter to exit...";
  std::cin.get();
  return 0;
}

}  // namespace quorvex

#include <cstdint>
#include <cstdio>
#include <iostream>

#include "app/banner.h"
#include "app/run_sequence.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "quorvex/collectors.h"
#include "quorvex/report.h"
#include "report/log_line.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

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

void RunDrivePhase() {
  OpenPhase(Phase::kDrives);
  for (std::int32_t number = 0; number < kDriveCount; ++number) {
    const DriveIdentity drive = QueryDriveIdentity(number);
    // A drive that answered nothing useful is left out; its number stays
    // unused so that a gap shows.
    if (drive.serialNumber == kNotRead && drive.model == kNotRead) continue;
    ReportDrive(number, drive);
  }
  ClosePhase(Phase::kDrives);
}

}  // namespace

void RunPhases() {
  OpenPhase(Phase::kNvidia);
  CollectNvidiaGpus();
  ClosePhase(Phase::kNvidia);

  RunDrivePhase();

  OpenPhase(Phase::kSmbios);
  DumpSmbios();
  ClosePhase(Phase::kSmbios);
}

void BufferStandardOutput() { std::setvbuf(stdout, nullptr, _IOFBF, kStdoutBufferBytes); }

int RunReport() {
  // Put back after the final read, once everything written has been shown.
  const ScopedConsoleOutputCodePage utf8(CP_UTF8);
  ChooseReportForm(kTextReport, {StandardOutputIsConsole(), nullptr});
  PrintBanner();
  RunPhases();
  LogLine("HWID collection completed!");
  EmptyLine();
  // No flush here: std::cin is tied to std::cout, so the read below puts the prompt on screen.
  std::cout << kTag << " Press Enter to exit...";
  std::cin.get();
  return 0;
}

}  // namespace quorvex

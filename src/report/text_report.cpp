// The text report: every event is its line, written and flushed at once.
#include <string>

#include "report/log_line.h"
#include "report/report_output.h"

namespace quorvex {
namespace {

constexpr std::string_view kOpened = "Initialise successfully!";
constexpr std::string_view kClosed = "Cleanup successfully!";

constexpr std::string_view SectionOf(Phase phase) {
  return phase == Phase::kNvidia   ? kNvidiaSection
         : phase == Phase::kDrives ? kDiskSection
                                   : kSmbiosSection;
}

// "[N, 0] " + label: every per-adapter line carries the GPU counter N, and
// the second number is always 0.
void GpuLine(const ReportTarget& target, std::int32_t gpu, std::string_view label,
             std::string_view value) {
  LogLine(kNvidiaSection, "[" + std::to_string(gpu) + ", 0] " + std::string(label), value,
          target.console);
}

void OpenPhase(const ReportTarget& /*target*/, Phase phase) {
  LogLine(SectionOf(phase), kOpened);
  if (phase == Phase::kDrives) LogLine(kDiskSection, "Reading serials...");
}

void ClosePhase(const ReportTarget& /*target*/, Phase phase) {
  LogLine(SectionOf(phase), kClosed);
  EmptyLine();
}

void NvidiaStart(const ReportTarget& /*target*/) {
  LogLine(kNvidiaSection, "Reading UUIDs from driver registry...");
}

void NoDisplayAdapters(const ReportTarget& /*target*/) {
  LogLine(kNvidiaSection, "No display adapters found");
}

void GpuUuid(const ReportTarget& target, std::int32_t gpu, std::string_view uuid) {
  GpuLine(target, gpu, "UUID: ", uuid);
}

void GpuName(const ReportTarget& target, std::int32_t gpu, std::string_view name) {
  GpuLine(target, gpu, "Name: ", name);
}

void GpuDeviceId(const ReportTarget& target, std::int32_t gpu, std::string_view instanceId) {
  GpuLine(target, gpu, "DeviceID: ", instanceId);
}

void NoNvidiaGpus(const ReportTarget& /*target*/) {
  LogLine(kNvidiaSection, "No NVIDIA GPUs found");
}

void Drive(const ReportTarget& target, std::int32_t number, const DriveIdentity& drive) {
  const std::string tag = "[" + std::to_string(number) + "] ";
  LogLine(kDiskSection, tag + "SerialNumber: ", drive.serialNumber, target.console);
  LogLine(kDiskSection, tag + "Model: ", drive.model, target.console);
  LogLine(kDiskSection, tag + "Firmware: ", drive.firmware, target.console);
}

void SmbiosFetchFailed(const ReportTarget& /*target*/) {
  LogLine(kSmbiosSection, "Failed to get firmware table");
}

void SmbiosSize(const ReportTarget& /*target*/, std::uint32_t tableLength) {
  LogLine(kSmbiosSection, "SMBIOS size=" + std::to_string(tableLength) + " bytes");
}

// A structure has no line of its own: its fields' lines follow.
void SmbiosStructure(const ReportTarget& /*target*/, std::string_view /*kind*/) {}

void SmbiosField(const ReportTarget& target, std::string_view section, std::string_view label,
                 std::string_view /*name*/, std::string&& value) {
  LogLine(section, label, value, target.console);
}

void SmbiosEndOfTable(const ReportTarget& /*target*/) {
  LogLine(kSmbiosSection, "Reached end-of-table marker");
}

}  // namespace

const ReportForm kTextReport = {
    OpenPhase,   ClosePhase,       NvidiaStart, NoDisplayAdapters, GpuUuid,    GpuName,
    GpuDeviceId, NoNvidiaGpus,     Drive,       SmbiosFetchFailed, SmbiosSize, SmbiosStructure,
    SmbiosField, SmbiosEndOfTable,
};

}  // namespace quorvex

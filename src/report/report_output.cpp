#include "report/report_output.h"

#include <utility>

namespace quorvex {
namespace {

// The one choice: the form every event goes to and what it writes to. The
// thread that runs the collectors makes it, so that two threads may each
// collect a record at once.
struct Choice {
  const ReportForm* form;
  ReportTarget target;
};

thread_local Choice chosen = {&kTextReport, {}};

}  // namespace

void ChooseReportForm(const ReportForm& form, const ReportTarget& target) {
  chosen = {&form, target};
}

void OpenPhase(Phase phase) { chosen.form->openPhase(chosen.target, phase); }
void ClosePhase(Phase phase) { chosen.form->closePhase(chosen.target, phase); }
void ReportNvidiaStart() { chosen.form->nvidiaStart(chosen.target); }
void ReportNoDisplayAdapters() { chosen.form->noDisplayAdapters(chosen.target); }

void ReportGpuUuid(std::int32_t gpu, std::string_view uuid) {
  chosen.form->gpuUuid(chosen.target, gpu, uuid);
}

void ReportGpuName(std::int32_t gpu, std::string_view name) {
  chosen.form->gpuName(chosen.target, gpu, name);
}

void ReportGpuDeviceId(std::int32_t gpu, std::string_view instanceId) {
  chosen.form->gpuDeviceId(chosen.target, gpu, instanceId);
}

void ReportNoNvidiaGpus() { chosen.form->noNvidiaGpus(chosen.target); }

void ReportDrive(std::int32_t number, const DriveIdentity& drive) {
  chosen.form->drive(chosen.target, number, drive);
}

void ReportSmbiosFetchFailed() { chosen.form->smbiosFetchFailed(chosen.target); }

void ReportSmbiosSize(std::uint32_t tableLength) {
  chosen.form->smbiosSize(chosen.target, tableLength);
}

void ReportSmbiosStructure(std::string_view kind) {
  chosen.form->smbiosStructure(chosen.target, kind);
}

void ReportSmbiosField(std::string_view section, std::string_view label, std::string_view name,
                       std::string value) {
  chosen.form->smbiosField(chosen.target, section, label, name, std::move(value));
}

void ReportSmbiosEndOfTable() { chosen.form->smbiosEndOfTable(chosen.target); }

}  // namespace quorvex

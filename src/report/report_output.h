// What the report says, event by event, in the order the phases learn it.
// Every event goes to the one form of the report chosen where a run begins:
// the text report (the lines of log_line.h, byte for byte as they have always
// been, each written the moment its value is known) or the record of the
// machine's identities (quorvex/identities.h), from which the identities
// document is written. Until a form is chosen, as for a collector called on
// its own, the events go to the text report, its values written as to a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "quorvex/collectors.h"
#include "quorvex/identities.h"

namespace quorvex {

enum class Phase { kNvidia, kDrives, kSmbios };

// What a form writes to: the text report reads `console` (standard output
// is a console, so values are made visible), the record fills `record`.
struct ReportTarget {
  bool console = false;
  Identities* record = nullptr;
};

// A form of the report: a plain table of what it does with each event.
struct ReportForm {
  // Text: "Initialise successfully!" (and, for the drives, "Reading
  // serials..."); "Cleanup successfully!" and an empty line.
  void (*openPhase)(const ReportTarget& target, Phase phase);
  void (*closePhase)(const ReportTarget& target, Phase phase);
  void (*nvidiaStart)(const ReportTarget& target);
  void (*noDisplayAdapters)(const ReportTarget& target);
  void (*gpuUuid)(const ReportTarget& target, std::int32_t gpu, std::string_view uuid);
  void (*gpuName)(const ReportTarget& target, std::int32_t gpu, std::string_view name);
  void (*gpuDeviceId)(const ReportTarget& target, std::int32_t gpu, std::string_view instanceId);
  void (*noNvidiaGpus)(const ReportTarget& target);
  // A drive that answered; kNotRead stands for a text not read.
  void (*drive)(const ReportTarget& target, std::int32_t number, const DriveIdentity& drive);
  void (*smbiosFetchFailed)(const ReportTarget& target);
  void (*smbiosSize)(const ReportTarget& target, std::uint32_t tableLength);
  // A decoded structure begins: `kind` names it in the record.
  void (*smbiosStructure)(const ReportTarget& target, std::string_view kind);
  // One field: its section tag and label as the text report prints them
  // ("[BIOS INFO]", "vendor: ") and its name in the record ("vendor");
  // kSmbiosAbsent stands for no text. The value is the decoder's own, so the
  // record takes it rather than a copy.
  void (*smbiosField)(const ReportTarget& target, std::string_view section, std::string_view label,
                      std::string_view name, std::string&& value);
  void (*smbiosEndOfTable)(const ReportTarget& target);
};

// The text report and the record, each in a file of its own.
extern const ReportForm kTextReport;
extern const ReportForm kIdentitiesRecord;

// Sends every event that follows to `form`, which writes to `target`.
void ChooseReportForm(const ReportForm& form, const ReportTarget& target);

// The events, as the collectors and the run sequence raise them.
void OpenPhase(Phase phase);
void ClosePhase(Phase phase);
void ReportNvidiaStart();
void ReportNoDisplayAdapters();
void ReportGpuUuid(std::int32_t gpu, std::string_view uuid);
void ReportGpuName(std::int32_t gpu, std::string_view name);
void ReportGpuDeviceId(std::int32_t gpu, std::string_view instanceId);
void ReportNoNvidiaGpus();
void ReportDrive(std::int32_t number, const DriveIdentity& drive);
void ReportSmbiosFetchFailed();
void ReportSmbiosSize(std::uint32_t tableLength);
void ReportSmbiosStructure(std::string_view kind);
void ReportSmbiosField(std::string_view section, std::string_view label, std::string_view name,
                       std::string value);
void ReportSmbiosEndOfTable();

}  // namespace quorvex

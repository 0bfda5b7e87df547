// What the report says, event by event, in the order the phases learn it.
// The run sequence picks the form once, before the first event: the text
// report (the lines of log_line.h, byte for byte as they have always been)
// or one JSON document (quorvex-identities, version 2), written as the
// events come, never gathered first; only its closing "keys" array, one
// element per machine key met on the way, is held until the end. Until a
// form is picked, as for a collector called on its own, the form is text.
#pragma once

#include <cstdint>
#include <string_view>

#include "quorvex/collectors.h"

namespace quorvex {

enum class ReportForm { kText, kJson };
enum class Phase { kNvidia, kDrives, kSmbios };

// JSON: the document's opening, and at the end its closing and one line end;
// after it the form is text again. Text: nothing; the run sequence writes the
// banner and the closing lines.
void BeginReport(ReportForm chosen);
void EndReport();

// Text: "Initialise successfully!" (and, for the drives, "Reading
// serials..."); "Cleanup successfully!" and an empty line. JSON: the phase's
// member, opened and closed.
void OpenPhase(Phase phase);
void ClosePhase(Phase phase);

void ReportNvidiaStart();
void ReportNoDisplayAdapters();
void ReportGpuUuid(std::int32_t gpu, std::string_view uuid);
void ReportGpuName(std::int32_t gpu, std::string_view name);
void ReportGpuDeviceId(std::int32_t gpu, std::string_view instanceId);
void ReportNoNvidiaGpus();

// A drive that answered; kNotRead stands for a text not read (JSON null).
void ReportDrive(std::int32_t number, const DriveIdentity& drive);

void ReportSmbiosFetchFailed();
void ReportSmbiosSize(std::uint32_t tableLength);
// A decoded structure begins: `kind` names it in the JSON document.
void ReportSmbiosStructure(std::string_view kind);
// One field: its section tag and label as the text report prints them
// ("[BIOS INFO]", "vendor: "); the JSON name is the label in camelCase.
// kSmbiosAbsent stands for no text (JSON null).
void ReportSmbiosField(std::string_view section, std::string_view label, std::string_view value);
void ReportSmbiosEndOfTable();

}  // namespace quorvex

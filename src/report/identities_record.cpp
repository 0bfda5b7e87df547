// The record: every event fills the record of the machine's identities, and
// nothing is written until the run is over.
#include <optional>
#include <string>
#include <utility>

#include "report/report_output.h"

namespace quorvex {
namespace {

// A text the collectors report, or std::nullopt where they report the placeholder.
std::optional<std::string> Read(std::string_view text, std::string_view placeholder) {
  if (text == placeholder) return std::nullopt;
  return std::string(text);
}

// The adapter whose lines these are: a new one with each new GPU counter.
Identities::Adapter& AdapterOf(const ReportTarget& target, std::int32_t gpu) {
  std::vector<Identities::Adapter>& adapters = target.record->nvidia.adapters;
  if (adapters.empty() || adapters.back().index != gpu) adapters.emplace_back().index = gpu;
  return adapters.back();
}

// The display adapters were listed unless the device set could not be made.
void OpenPhase(const ReportTarget& target, Phase phase) {
  if (phase == Phase::kNvidia) target.record->nvidia.adaptersListed = true;
}

void ClosePhase(const ReportTarget& /*target*/, Phase /*phase*/) {}
void NvidiaStart(const ReportTarget& /*target*/) {}

void NoDisplayAdapters(const ReportTarget& target) { target.record->nvidia.adaptersListed = false; }

void GpuUuid(const ReportTarget& target, std::int32_t gpu, std::string_view uuid) {
  AdapterOf(target, gpu).uuids.emplace_back(uuid);
}

void GpuName(const ReportTarget& target, std::int32_t gpu, std::string_view name) {
  AdapterOf(target, gpu).name = name;
}

void GpuDeviceId(const ReportTarget& target, std::int32_t gpu, std::string_view instanceId) {
  AdapterOf(target, gpu).deviceId = instanceId;
}

void NoNvidiaGpus(const ReportTarget& /*target*/) {}

void Drive(const ReportTarget& target, std::int32_t number, const DriveIdentity& drive) {
  target.record->drives.push_back({number, Read(drive.serialNumber, kNotRead),
                                   Read(drive.model, kNotRead), Read(drive.firmware, kNotRead)});
}

void SmbiosFetchFailed(const ReportTarget& target) { target.record->smbios.fetchFailed = true; }

void SmbiosSize(const ReportTarget& target, std::uint32_t tableLength) {
  target.record->smbios.fetchFailed = false;
  target.record->smbios.tableSize = tableLength;
}

void SmbiosStructure(const ReportTarget& target, std::string_view kind) {
  Identities::Structure& structure = target.record->smbios.structures.emplace_back();
  structure.kind = kind;
  structure.fields.reserve(kMostStructureFields);
}

void SmbiosField(const ReportTarget& target, std::string_view /*section*/,
                 std::string_view /*label*/, std::string_view name, std::string&& value) {
  std::vector<Identities::Structure>& structures = target.record->smbios.structures;
  // A decoder reports its structure before the structure's fields.
  if (structures.empty()) return;
  Identities::Field& field = structures.back().fields.emplace_back();
  field.name = name;
  if (value != kSmbiosAbsent) field.value = std::move(value);
}

void SmbiosEndOfTable(const ReportTarget& target) { target.record->smbios.endOfTable = true; }

}  // namespace

const ReportForm kIdentitiesRecord = {
    OpenPhase,   ClosePhase,       NvidiaStart, NoDisplayAdapters, GpuUuid,    GpuName,
    GpuDeviceId, NoNvidiaGpus,     Drive,       SmbiosFetchFailed, SmbiosSize, SmbiosStructure,
    SmbiosField, SmbiosEndOfTable,
};

}  // namespace quorvex

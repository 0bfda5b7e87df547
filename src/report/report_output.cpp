#include "report/report_output.h"

#include <cctype>
#include <iostream>
#include <string>

#include "report/json_text.h"
#include "report/log_line.h"

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
void GpuLine(std::int32_t gpu, std::string_view label, std::string_view value) {
  LogLine(kNvidiaSection, "[" + std::to_string(gpu) + ", 0] " + std::string(label), value);
}

// Where the JSON document stands: which containers are open, and whether the
// next element of the innermost array is its first.
struct JsonState {
  bool adaptersListed = false;  // "adaptersListed" written, whichever its value
  bool adaptersOpen = false;    // "adapters":[ written, ] not yet
  bool adapterOpen = false;     // an adapter's object
  bool uuidsOpen = false;       // its "uuids":[
  bool smbiosStarted = false;
  bool structuresOpen = false;
  bool structureOpen = false;
  bool first = true;  // nothing written yet in the array just opened
};

ReportForm form = ReportForm::kText;
JsonState json;

void Emit(const std::string& text) { std::cout << text << std::flush; }

std::string Value(std::string_view bytes) {
  std::string out;
  AppendJsonValue(out, bytes);
  return out;
}

// A value whose placeholder stands for "not there": null.
std::string Value(std::string_view bytes, std::string_view placeholder) {
  return bytes == placeholder ? "null" : Value(bytes);
}

std::string Separator() {
  const bool first = json.first;
  json.first = false;
  return first ? "" : ",";
}

// The adapters' array, opened once the device set is known to be there.
std::string OpenAdapters() {
  if (json.adaptersListed) return "";
  json.adaptersListed = json.adaptersOpen = true;
  json.first = true;
  return "\"adaptersListed\":true,\"adapters\":[";
}

// The adapter's object, opened by whichever of its lines comes first.
std::string OpenAdapter(std::int32_t gpu) {
  std::string out = OpenAdapters();
  if (json.adapterOpen) return out;
  out += Separator() + "{\"index\":" + std::to_string(gpu) + ",\"uuids\":[";
  json.adapterOpen = json.uuidsOpen = true;
  json.first = true;
  return out;
}

std::string CloseUuids() {
  if (!json.uuidsOpen) return "";
  json.uuidsOpen = false;
  return "]";
}

std::string CloseStructure() {
  if (!json.structureOpen) return "";
  json.structureOpen = false;
  return "}";
}

std::string CloseStructures(bool endOfTable) {
  if (!json.structuresOpen) return "";
  json.structuresOpen = false;
  std::string out = CloseStructure();
  return out + "],\"endOfTable\":" + (endOfTable ? "true" : "false");
}

// The label without its ": " in camelCase: "vendor", "assetTagNumber" for
// "AssetTagNumber: ", and a label in capitals all lower-case ("uuid").
std::string JsonName(std::string_view label) {
  std::string name(label.substr(0, label.find(':')));
  const bool capitals = name.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos;
  for (std::size_t i = 0; i < name.size() && (i == 0 || capitals); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

}  // namespace

void BeginReport(ReportForm chosen) {
  form = chosen;
  json = JsonState{};
  if (form == ReportForm::kJson) Emit("{\"format\":\"quorvex-identities\",\"version\":1");
}

void EndReport() {
  if (form == ReportForm::kJson) Emit("}\n");
  form = ReportForm::kText;
}

void OpenPhase(Phase phase) {
  if (form == ReportForm::kText) {
    LogLine(SectionOf(phase), kOpened);
    if (phase == Phase::kDrives) LogLine(kDiskSection, "Reading serials...");
    return;
  }
  json.first = true;
  Emit(phase == Phase::kNvidia   ? ",\"nvidia\":{"
       : phase == Phase::kDrives ? ",\"drives\":["
                                 : ",\"smbios\":{");
}

void ClosePhase(Phase phase) {
  if (form == ReportForm::kText) {
    LogLine(SectionOf(phase), kClosed);
    EmptyLine();
    return;
  }
  std::string out;
  if (phase == Phase::kNvidia) {
    out = OpenAdapters();
    if (json.adapterOpen) out += CloseUuids() + "}";
    json.adapterOpen = false;
    if (json.adaptersOpen) out += "]";
    json.adaptersOpen = false;
    out += "}";
  } else if (phase == Phase::kDrives) {
    out = "]";
  } else {
    // A walk that ends without the marker closes its structures here.
    out = CloseStructures(false);
    if (!json.smbiosStarted) out += "\"fetchFailed\":true";
    out += "}";
  }
  Emit(out);
}

void ReportNvidiaStart() {
  if (form == ReportForm::kText) LogLine(kNvidiaSection, "Reading UUIDs from driver registry...");
}

void ReportNoDisplayAdapters() {
  if (form == ReportForm::kText) {
    LogLine(kNvidiaSection, "No display adapters found");
  } else {
    json.adaptersListed = true;
    Emit("\"adaptersListed\":false,\"adapters\":[]");
  }
}

void ReportGpuUuid(std::int32_t gpu, std::string_view uuid) {
  if (form == ReportForm::kText) return GpuLine(gpu, "UUID: ", uuid);
  std::string out = OpenAdapter(gpu);
  out += Separator();
  Emit(out + Value(uuid));
}

void ReportGpuName(std::int32_t gpu, std::string_view name) {
  if (form == ReportForm::kText) return GpuLine(gpu, "Name: ", name);
  std::string out = OpenAdapter(gpu);
  out += CloseUuids();
  Emit(out + ",\"name\":" + Value(name));
}

void ReportGpuDeviceId(std::int32_t gpu, std::string_view instanceId) {
  if (form == ReportForm::kText) return GpuLine(gpu, "DeviceID: ", instanceId);
  std::string out = OpenAdapter(gpu);
  out += CloseUuids();
  out += ",\"deviceId\":" + Value(instanceId) + "}";
  json.adapterOpen = false;
  json.first = false;  // the next adapter follows this one in the array
  Emit(out);
}

void ReportNoNvidiaGpus() {
  if (form == ReportForm::kText) {
    LogLine(kNvidiaSection, "No NVIDIA GPUs found");
  } else {
    Emit(OpenAdapters());
  }
}

void ReportDrive(std::int32_t number, const DriveIdentity& drive) {
  if (form == ReportForm::kText) {
    const std::string tag = "[" + std::to_string(number) + "] ";
    LogLine(kDiskSection, tag + "SerialNumber: ", drive.serialNumber);
    LogLine(kDiskSection, tag + "Model: ", drive.model);
    LogLine(kDiskSection, tag + "Firmware: ", drive.firmware);
    return;
  }
  const std::string separator = Separator();
  Emit(separator + "{\"number\":" + std::to_string(number) + ",\"serialNumber\":" +
       Value(drive.serialNumber, kNotRead) + ",\"model\":" + Value(drive.model, kNotRead) +
       ",\"firmware\":" + Value(drive.firmware, kNotRead) + "}");
}

void ReportSmbiosFetchFailed() {
  if (form == ReportForm::kText) {
    LogLine(kSmbiosSection, "Failed to get firmware table");
  } else {
    json.smbiosStarted = true;
    Emit("\"fetchFailed\":true");
  }
}

void ReportSmbiosSize(std::uint32_t tableLength) {
  if (form == ReportForm::kText) {
    LogLine(kSmbiosSection, "SMBIOS size=" + std::to_string(tableLength) + " bytes");
    return;
  }
  json.smbiosStarted = json.structuresOpen = json.first = true;
  Emit("\"fetchFailed\":false,\"tableSize\":" + std::to_string(tableLength) + ",\"structures\":[");
}

void ReportSmbiosStructure(std::string_view kind) {
  if (form == ReportForm::kText) return;
  std::string out = CloseStructure();
  out += Separator();
  out += "{\"kind\":\"" + std::string(kind) + "\"";
  json.structureOpen = true;
  Emit(out);
}

void ReportSmbiosField(std::string_view section, std::string_view label, std::string_view value) {
  if (form == ReportForm::kText) return LogLine(section, label, value);
  Emit(",\"" + JsonName(label) + "\":" + Value(value, kSmbiosAbsent));
}

void ReportSmbiosEndOfTable() {
  if (form == ReportForm::kText) {
    LogLine(kSmbiosSection, "Reached end-of-table marker");
  } else {
    Emit(CloseStructures(true));
  }
}

}  // namespace quorvex

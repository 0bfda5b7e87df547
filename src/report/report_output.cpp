#include "report/report_output.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "quorvex/machine_keys.h"
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
  // Places in the document, for the keys' pointers: how many adapters,
  // drives and structures were opened so far, and the UUIDs of the adapter
  // open now.
  int adapters = 0;
  int uuids = 0;
  int drives = 0;
  int structures = 0;
  std::string_view structureKind;
};

ReportForm form = ReportForm::kText;
JsonState json;
// What the next write of the document holds. Kept between writes so that its
// room is reused: a document costs no allocation per value.
std::string out;
// Text gathered piece by piece, for the "keys" array that ends the document.
// A key is a dozen pieces and a table can hold thousands of keys, so the
// pieces are copied into room grown by doubling rather than appended one by
// one to a string, whose every append costs more than the piece.
class KeysText {
 public:
  void Append(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (const std::string_view piece : pieces) size += piece.size();
    if (used_ + size > room_) Grow(std::max(2 * room_, used_ + size));
    for (const std::string_view piece : pieces) {
      std::copy(piece.begin(), piece.end(), text_.get() + used_);
      used_ += piece.size();
    }
  }
  bool Empty() const { return used_ == 0; }
  std::string_view View() const { return {text_.get(), used_}; }
  void Clear() { used_ = 0; }

 private:
  // Room that is written before it is read needs no zeroing first.
  void Grow(std::size_t room) {
    std::unique_ptr<char[]> larger(new char[room]);
    std::copy(text_.get(), text_.get() + used_, larger.get());
    text_ = std::move(larger);
    room_ = room;
  }

  std::unique_ptr<char[]> text_;
  std::size_t room_ = 0;
  std::size_t used_ = 0;
};

// Each machine key as it is met, its value copied from where it was just written.
KeysText keys;

// Writes what was appended, at once, as the text report writes each line.
void Emit() {
  std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
  std::cout.flush();
  out.clear();
}

void AppendValue(std::string_view bytes) { AppendJsonValue(out, bytes); }

// A value whose placeholder stands for "not there": null. Returns the bytes
// written, none for null, as a machine key is judged.
std::optional<std::string_view> AppendValue(std::string_view bytes, std::string_view placeholder) {
  if (bytes == placeholder) {
    out += "null";
    return std::nullopt;
  }
  AppendJsonValue(out, bytes);
  return bytes;
}

// A number's decimal digits, for as long as the expression that wrote them.
class Digits {
 public:
  explicit Digits(int number)
      : end_(std::to_chars(std::begin(text_), std::end(text_), number).ptr) {}
  Digits(const Digits&) = delete;
  Digits& operator=(const Digits&) = delete;
  std::string_view View() const { return {text_, static_cast<std::size_t>(end_ - text_)}; }

 private:
  char text_[12];
  char* end_;
};

// A machine key at `pointer` (its pieces) whose value `out` holds from
// `valueStart` on; std::nullopt for a value not read.
void AppendKey(const MachineKeyKind& kind, std::initializer_list<std::string_view> pointer,
               std::size_t valueStart, std::optional<std::string_view> bytes) {
  keys.Append({keys.Empty() ? "{\"kind\":\"" : ",{\"kind\":\"", kind.name, "\",\"pointer\":\""});
  keys.Append(pointer);
  keys.Append({"\",\"value\":", std::string_view(out).substr(valueStart), ",\"quality\":\"",
               QualityName(JudgeKey(kind, bytes)), "\"}"});
}

void AppendSeparator() {
  if (!json.first) out += ',';
  json.first = false;
}

// The adapters' array, opened once the device set is known to be there.
void OpenAdapters() {
  if (json.adaptersListed) return;
  json.adaptersListed = json.adaptersOpen = true;
  json.first = true;
  out += "\"adaptersListed\":true,\"adapters\":[";
}

// The adapter's object, opened by whichever of its lines comes first.
void OpenAdapter(std::int32_t gpu) {
  OpenAdapters();
  if (json.adapterOpen) return;
  AppendSeparator();
  out += "{\"index\":";
  out += std::to_string(gpu);
  out += ",\"uuids\":[";
  json.adapterOpen = json.uuidsOpen = true;
  json.first = true;
  ++json.adapters;
  json.uuids = 0;
}

void CloseUuids() {
  if (json.uuidsOpen) out += ']';
  json.uuidsOpen = false;
}

void CloseStructure() {
  if (json.structureOpen) out += '}';
  json.structureOpen = false;
}

void CloseStructures(bool endOfTable) {
  if (!json.structuresOpen) return;
  json.structuresOpen = false;
  CloseStructure();
  out += endOfTable ? "],\"endOfTable\":true" : "],\"endOfTable\":false";
}

// The label without its ": " in camelCase: "vendor", "assetTagNumber" for
// "AssetTagNumber: ", and a label in capitals all lower-case ("uuid").
// Returns where in `out` the name begins.
std::size_t AppendJsonName(std::string_view label) {
  const std::string_view name = label.substr(0, label.find(':'));
  bool capitals = true;
  for (const char c : name) capitals = capitals && !(c >= 'a' && c <= 'z');
  const std::size_t first = out.size();
  out += name;
  for (std::size_t i = first; i < out.size() && (i == first || capitals); ++i) {
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  }
  return first;
}

}  // namespace

void BeginReport(ReportForm chosen) {
  form = chosen;
  json = JsonState{};
  keys.Clear();
  if (form != ReportForm::kJson) return;
  out += "{\"format\":\"quorvex-identities\",\"version\":2";
  Emit();
}

void EndReport() {
  if (form == ReportForm::kJson) {
    // The keys go out as they were gathered, not copied once more.
    std::cout << ",\"keys\":[" << keys.View();
    out += "]}\n";
    Emit();
  }
  form = ReportForm::kText;
}

void OpenPhase(Phase phase) {
  if (form == ReportForm::kText) {
    LogLine(SectionOf(phase), kOpened);
    if (phase == Phase::kDrives) LogLine(kDiskSection, "Reading serials...");
    return;
  }
  json.first = true;
  out += phase == Phase::kNvidia   ? ",\"nvidia\":{"
         : phase == Phase::kDrives ? ",\"drives\":["
                                   : ",\"smbios\":{";
  Emit();
}

void ClosePhase(Phase phase) {
  if (form == ReportForm::kText) {
    LogLine(SectionOf(phase), kClosed);
    EmptyLine();
    return;
  }
  if (phase == Phase::kNvidia) {
    OpenAdapters();
    if (json.adapterOpen) {
      CloseUuids();
      out += '}';
    }
    if (json.adaptersOpen) out += ']';
    json.adapterOpen = json.adaptersOpen = false;
    out += '}';
  } else if (phase == Phase::kDrives) {
    out += ']';
  } else {
    // A walk that ends without the marker closes its structures here.
    CloseStructures(false);
    if (!json.smbiosStarted) out += "\"fetchFailed\":true";
    out += '}';
  }
  Emit();
}

void ReportNvidiaStart() {
  if (form == ReportForm::kText) LogLine(kNvidiaSection, "Reading UUIDs from driver registry...");
}

void ReportNoDisplayAdapters() {
  if (form == ReportForm::kText) return LogLine(kNvidiaSection, "No display adapters found");
  json.adaptersListed = true;
  out += "\"adaptersListed\":false,\"adapters\":[]";
  Emit();
}

void ReportGpuUuid(std::int32_t gpu, std::string_view uuid) {
  if (form == ReportForm::kText) return GpuLine(gpu, "UUID: ", uuid);
  OpenAdapter(gpu);
  AppendSeparator();
  const std::size_t valueStart = out.size();
  AppendValue(uuid);
  AppendKey(*MachineKeyAt("adapter", "uuids"),
            {"/nvidia/adapters/", Digits(json.adapters - 1).View(), "/uuids/",
             Digits(json.uuids++).View()},
            valueStart, uuid);
  Emit();
}

void ReportGpuName(std::int32_t gpu, std::string_view name) {
  if (form == ReportForm::kText) return GpuLine(gpu, "Name: ", name);
  OpenAdapter(gpu);
  CloseUuids();
  out += ",\"name\":";
  AppendValue(name);
  Emit();
}

void ReportGpuDeviceId(std::int32_t gpu, std::string_view instanceId) {
  if (form == ReportForm::kText) return GpuLine(gpu, "DeviceID: ", instanceId);
  OpenAdapter(gpu);
  CloseUuids();
  out += ",\"deviceId\":";
  AppendValue(instanceId);
  out += '}';
  json.adapterOpen = false;
  json.first = false;  // the next adapter follows this one in the array
  Emit();
}

void ReportNoNvidiaGpus() {
  if (form == ReportForm::kText) return LogLine(kNvidiaSection, "No NVIDIA GPUs found");
  OpenAdapters();
  Emit();
}

void ReportDrive(std::int32_t number, const DriveIdentity& drive) {
  if (form == ReportForm::kText) {
    const std::string tag = "[" + std::to_string(number) + "] ";
    LogLine(kDiskSection, tag + "SerialNumber: ", drive.serialNumber);
    LogLine(kDiskSection, tag + "Model: ", drive.model);
    LogLine(kDiskSection, tag + "Firmware: ", drive.firmware);
    return;
  }
  AppendSeparator();
  out += "{\"number\":";
  out += std::to_string(number);
  out += ",\"serialNumber\":";
  const std::size_t valueStart = out.size();
  const auto serialNumber = AppendValue(drive.serialNumber, kNotRead);
  AppendKey(*MachineKeyAt("drive", "serialNumber"),
            {"/drives/", Digits(json.drives++).View(), "/serialNumber"}, valueStart, serialNumber);
  out += ",\"model\":";
  AppendValue(drive.model, kNotRead);
  out += ",\"firmware\":";
  AppendValue(drive.firmware, kNotRead);
  out += '}';
  Emit();
}

void ReportSmbiosFetchFailed() {
  if (form == ReportForm::kText) return LogLine(kSmbiosSection, "Failed to get firmware table");
  json.smbiosStarted = true;
  out += "\"fetchFailed\":true";
  Emit();
}

void ReportSmbiosSize(std::uint32_t tableLength) {
  if (form == ReportForm::kText) {
    return LogLine(kSmbiosSection, "SMBIOS size=" + std::to_string(tableLength) + " bytes");
  }
  json.smbiosStarted = json.structuresOpen = json.first = true;
  out += "\"fetchFailed\":false,\"tableSize\":";
  out += std::to_string(tableLength);
  out += ",\"structures\":[";
  Emit();
}

// Written with the structure's first field: a structure is one write, as
// each of its lines is in the text report.
void ReportSmbiosStructure(std::string_view kind) {
  if (form == ReportForm::kText) return;
  CloseStructure();
  AppendSeparator();
  out += "{\"kind\":\"";
  out += kind;
  out += '"';
  json.structureOpen = true;
  json.structureKind = kind;
  ++json.structures;
}

void ReportSmbiosField(std::string_view section, std::string_view label, std::string_view value) {
  if (form == ReportForm::kText) return LogLine(section, label, value);
  out += ",\"";
  const std::size_t nameStart = AppendJsonName(label);
  const MachineKeyKind* key =
      MachineKeyAt(json.structureKind, std::string_view(out).substr(nameStart));
  out += "\":";
  const std::size_t valueStart = out.size();
  const auto written = AppendValue(value, kSmbiosAbsent);
  if (key != nullptr) {
    AppendKey(*key, {"/smbios/structures/", Digits(json.structures - 1).View(), "/", key->field},
              valueStart, written);
  }
  Emit();
}

void ReportSmbiosEndOfTable() {
  if (form == ReportForm::kText) return LogLine(kSmbiosSection, "Reached end-of-table marker");
  CloseStructures(true);
  Emit();
}

}  // namespace quorvex

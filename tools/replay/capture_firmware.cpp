// The firmware table of a capture folder, in either of its two forms.
#include "replay/capture_firmware.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

#include "capture_file.h"
#include "capture_format.h"
#include "platform/system_names.h"
#include "replay/capture_folder.h"

namespace quorvex::replay {

using capture_format::kDmiFile;
using capture_format::kSmbiosEntryPointFile;
using capture_format::kSmbiosFetchFailsFile;
using capture_format::kSmbiosTableFile;
using tools::FileFailure;

namespace {

namespace fs = std::filesystem;

// GetSystemFirmwareTable answers sizes as 32-bit counts.
constexpr std::uint64_t kMaxTableBytes = 0xFFFFFFFFu;
static_assert(kMaxCaptureFileBytes <= kMaxTableBytes - kSmbiosHeaderBytes,
              "a table file, or DMI with its header, fits a 32-bit size");

// Where an entry point keeps the fields the header is made of.
struct EntryPointLayout {
  std::string_view anchor;
  std::size_t lengthAt, majorAt, minorAt;
  std::optional<std::size_t> revisionAt;  // 3.x names a document revision; 2.x has none
  std::uint8_t minimumLength;
};

constexpr EntryPointLayout kEntryPoints[] = {
    {"_SM3_", 6, 7, 8, 9, 24},  // SMBIOS 3.x, 64-bit
    // SMBIOS 2.x, 32-bit: 31 bytes, but some 2.1 firmware wrote 30 in the length byte.
    {"_SM_", 5, 6, 7, std::nullopt, 30},
};

bool StartsWith(const standin::Bytes& bytes, std::string_view anchor) {
  return bytes.size() >= anchor.size() &&
         std::string_view(reinterpret_cast<const char*>(bytes.data()), anchor.size()) == anchor;
}

std::optional<Failure> ReadSysfsPair(const fs::path& folder, standin::Bytes& table) {
  const fs::path entryFile = folder / kSmbiosEntryPointFile;
  const fs::path dmiFile = folder / kDmiFile;
  if (!Exists(entryFile)) {
    return FileFailure(dmiFile, std::string("no ") + kSmbiosEntryPointFile + " beside it");
  }
  if (!Exists(dmiFile)) return FileFailure(entryFile, std::string("no ") + kDmiFile + " beside it");
  standin::Bytes entry;
  if (auto problem = ReadCaptureFile(entryFile, entry)) return problem;
  standin::Bytes dmi;
  if (auto problem = ReadCaptureFile(dmiFile, dmi)) return problem;
  if (std::optional<std::string> problem = SmbiosTableFromSysfs(entry, dmi, table)) {
    return FileFailure(entryFile, std::move(*problem));
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> SmbiosTableFromSysfs(const standin::Bytes& entryPoint,
                                                const standin::Bytes& dmi, standin::Bytes& table) {
  for (const EntryPointLayout& layout : kEntryPoints) {
    if (!StartsWith(entryPoint, layout.anchor)) continue;
    const std::string form(layout.anchor);
    if (entryPoint.size() <= layout.lengthAt) return "too short for a " + form + " entry point";
    const std::uint8_t length = entryPoint[layout.lengthAt];
    if (length < layout.minimumLength) {
      return "a " + form + " entry point of " + std::to_string(length) + " bytes, below the " +
             std::to_string(layout.minimumLength) + " it must hold";
    }
    if (entryPoint.size() < length) {
      return std::to_string(entryPoint.size()) + " bytes, but its entry point says " +
             std::to_string(length);
    }
    table = {0, entryPoint[layout.majorAt], entryPoint[layout.minorAt],
             layout.revisionAt ? entryPoint[*layout.revisionAt] : std::uint8_t{0}};
    // The header's length is 32 bits wide; a longer DMI would wrap it.
    if (dmi.size() > kMaxTableBytes - kSmbiosHeaderBytes)
      return "DMI larger than a 32-bit table size";
    const auto tableLength = static_cast<std::uint32_t>(dmi.size());
    for (int shift = 0; shift < 32; shift += 8) {
      table.push_back(static_cast<std::uint8_t>(tableLength >> shift));
    }
    table.insert(table.end(), dmi.begin(), dmi.end());
    return std::nullopt;
  }
  return std::string("starts with neither _SM_ nor _SM3_: not an SMBIOS entry point");
}

std::optional<Failure> LoadFirmwareCapture(const fs::path& folder, standin::Machine& machine) {
  const bool tableFile = Exists(folder / kSmbiosTableFile);
  const bool sysfsPair = Exists(folder / kSmbiosEntryPointFile) || Exists(folder / kDmiFile);
  if (tableFile && sysfsPair) {
    return FileFailure(folder / kSmbiosTableFile,
                       std::string("a table is given twice, here and as ") + kSmbiosEntryPointFile +
                           " and " + kDmiFile + "; keep one of the two");
  }
  const fs::path fetchFails = folder / kSmbiosFetchFailsFile;
  if (!tableFile && !sysfsPair) {
    if (Exists(fetchFails)) {
      return FileFailure(fetchFails, std::string("no ") + kSmbiosTableFile + ", nor " +
                                         kSmbiosEntryPointFile + " and " + kDmiFile +
                                         ", beside it");
    }
    return std::nullopt;
  }
  standin::Bytes table;
  if (auto problem = tableFile ? ReadCaptureFile(folder / kSmbiosTableFile, table)
                               : ReadSysfsPair(folder, table)) {
    return problem;
  }
  machine.firmware.present = true;
  machine.firmware.bytes = std::move(table);
  machine.firmware.fetchFails = Exists(fetchFails);
  return std::nullopt;
}

}  // namespace quorvex::replay

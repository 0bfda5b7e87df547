// The firmware table of a capture folder, in either of its two forms.
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

#include "capture_format.h"
#include "replay/capture_folder.h"

namespace quorvex::replay {

using capture_format::kDmiFile;
using capture_format::kSmbiosEntryPointFile;
using capture_format::kSmbiosFetchFailsFile;
using capture_format::kSmbiosTableFile;

namespace {

namespace fs = std::filesystem;

// GetSystemFirmwareTable answers sizes as 32-bit counts.
constexpr std::uint64_t kMaxTableBytes = 0xFFFFFFFFu;
constexpr std::size_t kHeaderBytes = 8;

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

bool Exists(const fs::path& file) {
  std::error_code error;
  return fs::exists(file, error);
}

bool StartsWith(const standin::Bytes& bytes, std::string_view anchor) {
  return bytes.size() >= anchor.size() &&
         std::string_view(reinterpret_cast<const char*>(bytes.data()), anchor.size()) == anchor;
}

// The header Windows would put before a structure table of `tableLength`
// bytes on this machine, or a message saying what is wrong with the entry point.
std::optional<std::string> HeaderFromEntryPoint(const standin::Bytes& entry,
                                                std::uint32_t tableLength, standin::Bytes& header) {
  for (const EntryPointLayout& layout : kEntryPoints) {
    if (!StartsWith(entry, layout.anchor)) continue;
    const std::string form(layout.anchor);
    if (entry.size() <= layout.lengthAt) return "too short for a " + form + " entry point";
    const std::uint8_t length = entry[layout.lengthAt];
    if (length < layout.minimumLength) {
      return "a " + form + " entry point of " + std::to_string(length) + " bytes, below the " +
             std::to_string(layout.minimumLength) + " it must hold";
    }
    if (entry.size() < length) {
      return std::to_string(entry.size()) + " bytes, but its entry point says " +
             std::to_string(length);
    }
    header = {0, entry[layout.majorAt], entry[layout.minorAt],
              layout.revisionAt ? entry[*layout.revisionAt] : std::uint8_t{0}};
    for (int shift = 0; shift < 32; shift += 8) {
      header.push_back(static_cast<std::uint8_t>(tableLength >> shift));
    }
    return std::nullopt;
  }
  return std::string("starts with neither _SM_ nor _SM3_: not an SMBIOS entry point");
}

std::optional<std::string> ReadSysfsPair(const fs::path& folder, standin::Bytes& table) {
  const fs::path entryFile = folder / kSmbiosEntryPointFile;
  const fs::path dmiFile = folder / kDmiFile;
  if (!Exists(entryFile)) return dmiFile.string() + ": no " + kSmbiosEntryPointFile + " beside it";
  if (!Exists(dmiFile)) return entryFile.string() + ": no " + kDmiFile + " beside it";
  const std::optional<standin::Bytes> entry = ReadFileBytes(entryFile);
  if (!entry) return entryFile.string() + ": cannot be read";
  std::optional<standin::Bytes> dmi = ReadFileBytes(dmiFile);
  if (!dmi) return dmiFile.string() + ": cannot be read";
  if (dmi->size() > kMaxTableBytes - kHeaderBytes) {
    return dmiFile.string() + ": larger than a 32-bit table size";
  }
  if (std::optional<std::string> problem =
          HeaderFromEntryPoint(*entry, static_cast<std::uint32_t>(dmi->size()), table)) {
    return entryFile.string() + ": " + *problem;
  }
  table.insert(table.end(), dmi->begin(), dmi->end());
  return std::nullopt;
}

std::optional<std::string> ReadTableFile(const fs::path& folder, standin::Bytes& table) {
  const fs::path file = folder / kSmbiosTableFile;
  std::optional<standin::Bytes> bytes = ReadFileBytes(file);
  if (!bytes) return file.string() + ": cannot be read";
  if (bytes->size() > kMaxTableBytes) return file.string() + ": larger than a 32-bit table size";
  table = std::move(*bytes);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> LoadFirmwareCapture(const fs::path& folder, standin::Machine& machine) {
  const bool tableFile = Exists(folder / kSmbiosTableFile);
  const bool sysfsPair = Exists(folder / kSmbiosEntryPointFile) || Exists(folder / kDmiFile);
  if (tableFile && sysfsPair) {
    return (folder / kSmbiosTableFile).string() + ": a table is given twice, here and as " +
           kSmbiosEntryPointFile + " and " + kDmiFile + "; keep one of the two";
  }
  const fs::path fetchFails = folder / kSmbiosFetchFailsFile;
  if (!tableFile && !sysfsPair) {
    if (Exists(fetchFails)) {
      return fetchFails.string() + ": no " + kSmbiosTableFile + ", nor " + kSmbiosEntryPointFile +
             " and " + kDmiFile + ", beside it";
    }
    return std::nullopt;
  }
  standin::Bytes table;
  if (std::optional<std::string> problem =
          tableFile ? ReadTableFile(folder, table) : ReadSysfsPair(folder, table)) {
    return problem;
  }
  machine.firmware.present = true;
  machine.firmware.bytes = std::move(table);
  machine.firmware.fetchFails = Exists(fetchFails);
  return std::nullopt;
}

}  // namespace quorvex::replay

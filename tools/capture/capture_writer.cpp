#include "capture/capture_writer.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <system_error>

#include "capture_format.h"
#include "platform/system_names.h"
#include "quorvex/collectors.h"

namespace quorvex::capture {

using capture_format::DriveFileName;
using capture_format::kDriveCountSuffix;
using capture_format::kDriveFailSuffix;
using capture_format::kDriveResponseSuffix;
using capture_format::kSmbiosFetchFailsFile;
using capture_format::kSmbiosTableFile;

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> BytesOf(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

}  // namespace

std::vector<CaptureFile> CaptureMachine(const RegistryCapture& registry) {
  std::vector<CaptureFile> files;
  if (registry.deviceSetFails) {
    files.push_back({capture_format::kSetupApiFailsFile, {}});
  } else {
    files.push_back({capture_format::kRegistryFile, WriteRegFile(registry.keys)});
  }
  for (std::int32_t number = 0; number < kDriveCount; ++number) {
    for (CaptureFile& file : DriveFiles(number, QueryStorageDescriptor(number))) {
      files.push_back(std::move(file));
    }
  }
  for (CaptureFile& file : FirmwareFiles(FetchSmbiosTable())) files.push_back(std::move(file));
  return files;
}

std::vector<CaptureFile> DriveFiles(std::int32_t number, const StorageQueryResult& result) {
  using Outcome = StorageQueryResult::Outcome;
  switch (result.outcome) {
    case Outcome::kOpenFailed:
      return {};
    case Outcome::kRequestFailed:
      return {{DriveFileName(number, kDriveFailSuffix), {}}};
    case Outcome::kAnswered:
      break;
  }
  // Bytes past the count are never read by the report, and the buffer bounds them anyway.
  const std::size_t kept = std::min<std::size_t>(result.returned, result.response.size());
  return {{DriveFileName(number, kDriveResponseSuffix),
           std::vector<std::uint8_t>(result.response.begin(),
                                     result.response.begin() + static_cast<std::ptrdiff_t>(kept))},
          {DriveFileName(number, kDriveCountSuffix), BytesOf(std::to_string(result.returned))}};
}

// A failed fetch keeps none of the table, not even the size the query
// answered, and the report prints one and the same line for every failure. So
// the folder keeps the kind of failure with stand-in bytes: zeros of the
// header's size beside the fetch-fails file (a size query that succeeds, then a
// fetch that does not; a table that grew in between fails the same way), or
// one byte short of a header for a size too small to hold one.
std::vector<CaptureFile> FirmwareFiles(const SmbiosFetchResult& result) {
  using Outcome = SmbiosFetchResult::Outcome;
  switch (result.outcome) {
    case Outcome::kNoTable:
      return {};
    case Outcome::kTooShort:
      return {{kSmbiosTableFile, std::vector<std::uint8_t>(kSmbiosHeaderBytes - 1, 0)}};
    case Outcome::kFetchFailed:
    case Outcome::kTableGrew:
      return {{kSmbiosTableFile, std::vector<std::uint8_t>(kSmbiosHeaderBytes, 0)},
              {kSmbiosFetchFailsFile, {}}};
    case Outcome::kFetched:
      break;
  }
  return {{kSmbiosTableFile, result.table}};
}

std::optional<std::string> PrepareCaptureFolder(const fs::path& folder) {
  const std::string shown = folder.u8string();
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) return shown + ": exists and is not a folder";
    const bool empty = fs::is_empty(folder, error);
    if (error) return shown + ": cannot be read: " + error.message();
    if (!empty) return shown + ": is not empty; give a new or an empty folder";
    return std::nullopt;
  }
  fs::create_directories(folder, error);
  if (error) return shown + ": cannot be made: " + error.message();
  return std::nullopt;
}

std::optional<std::string> WriteCaptureFiles(const fs::path& folder,
                                             const std::vector<CaptureFile>& files,
                                             std::ostream& listing) {
  for (const CaptureFile& file : files) {
    // Every name is one of ours; a separator here would be a bug that writes outside the folder.
    if (!IsPlainFileName(file.name)) return "not a plain file name: " + file.name;
    const fs::path path = folder / fs::u8path(file.name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) return path.u8string() + ": cannot be written";
    listing << path.u8string() << "\n";
  }
  return std::nullopt;
}

}  // namespace quorvex::capture

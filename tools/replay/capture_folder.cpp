#include "replay/capture_folder.h"

#include <system_error>

#include "capture_file.h"
#include "capture_format.h"
#include "quorvex/identities.h"
#include "quorvex/report.h"

namespace quorvex::replay {

using capture_format::DriveFileName;
using capture_format::kDriveCountSuffix;
using capture_format::kDriveFailSuffix;
using capture_format::kDriveResponseSuffix;
using tools::FileFailure;

namespace {

namespace fs = std::filesystem;

// Drives 0 to 7 are all the report asks for; other numbers in a folder are
// kept too, so a capture is never silently cut.
constexpr int kMaxDriveNumber = 127;
static_assert(kMaxCaptureFileBytes <= 0xFFFFFFFFu, "a drive's answer fits its 32-bit count");

// A decimal 32-bit unsigned count, optionally followed by one line end.
std::optional<std::uint32_t> ParseCount(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<Failure> LoadDrive(const fs::path& folder, int number, standin::Machine& machine) {
  const fs::path bin = folder / DriveFileName(number, kDriveResponseSuffix);
  const fs::path count = folder / DriveFileName(number, kDriveCountSuffix);
  const fs::path fail = folder / DriveFileName(number, kDriveFailSuffix);
  if (Exists(fail)) {
    if (Exists(bin)) return FileFailure(fail, "a drive cannot both fail and answer");
    machine.drives[number].requestFails = true;
    return std::nullopt;
  }
  if (!Exists(bin)) {
    if (Exists(count)) return FileFailure(count, "no " + bin.filename().u8string() + " beside it");
    return std::nullopt;
  }
  standin::Bytes bytes;
  if (auto problem = ReadCaptureFile(bin, bytes)) return problem;
  standin::Drive drive;
  drive.returned = static_cast<std::uint32_t>(bytes.size());
  if (Exists(count)) {
    standin::Bytes text;
    if (auto problem = ReadCaptureFile(count, text)) return problem;
    const std::optional<std::uint32_t> value = ParseCount(std::string(text.begin(), text.end()));
    if (!value) return FileFailure(count, "not a decimal 32-bit unsigned number");
    drive.returned = *value;
  }
  drive.response = std::move(bytes);
  machine.drives[number] = std::move(drive);
  return std::nullopt;
}

}  // namespace

bool Exists(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::exists(file, error);
}

std::optional<Failure> ReadCaptureFile(const fs::path& file, standin::Bytes& bytes) {
  std::string text;
  if (auto problem = tools::ReadCaptureFile(file, text)) return problem;
  bytes.assign(text.begin(), text.end());
  return std::nullopt;
}

std::optional<Failure> LoadDriveCaptures(const fs::path& folder, standin::Machine& machine) {
  for (int number = 0; number <= kMaxDriveNumber; ++number) {
    if (auto problem = LoadDrive(folder, number, machine)) return problem;
  }
  return std::nullopt;
}

std::optional<Failure> LoadCaptureFolder(const fs::path& folder, standin::Machine& machine) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return FileFailure(folder, "not a folder that can be read");
  // Listing it proves that it can be read, not only that it exists.
  fs::directory_iterator listing(folder, error);
  if (error) return FileFailure(folder, error.message());
  for (auto load : {LoadDriveCaptures, LoadFirmwareCapture, LoadRegistryCapture}) {
    if (auto problem = load(folder, machine)) return problem;
  }
  return std::nullopt;
}

}  // namespace quorvex::replay

namespace quorvex {

std::optional<Failure> ReadCaptureFolder(const std::filesystem::path& folder,
                                         Identities& identities) {
  standin::ResetMachine();
  if (auto problem = replay::LoadCaptureFolder(folder, standin::TheMachine())) return problem;
  identities = CollectIdentities();
  return std::nullopt;
}

}  // namespace quorvex

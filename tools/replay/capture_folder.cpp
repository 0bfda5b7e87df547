#include "replay/capture_folder.h"

#include <array>
#include <fstream>
#include <system_error>

#include "capture_format.h"

namespace quorvex::replay {

using capture_format::DriveFileName;
using capture_format::kDriveCountSuffix;
using capture_format::kDriveFailSuffix;
using capture_format::kDriveResponseSuffix;

namespace {

namespace fs = std::filesystem;

// Drives 0 to 7 are all the report asks for; other numbers in a folder are
// kept too, so a capture is never silently cut.
constexpr int kMaxDriveNumber = 127;
static_assert(kMaxCaptureFileBytes <= 0xFFFFFFFFu, "a drive's answer fits its 32-bit count");

// Why a file that is not a regular one is refused, naming what it is.
std::string NotRegular(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "a folder, not a regular file";
    case fs::file_type::fifo:
      return "a named pipe, not a regular file";
    case fs::file_type::character:
      return "a character device, not a regular file";
    case fs::file_type::block:
      return "a block device, not a regular file";
    case fs::file_type::socket:
      return "a socket, not a regular file";
    default:
      return "not a regular file";
  }
}

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

std::optional<std::string> LoadDrive(const fs::path& folder, int number,
                                     standin::Machine& machine) {
  const fs::path bin = folder / DriveFileName(number, kDriveResponseSuffix);
  const fs::path count = folder / DriveFileName(number, kDriveCountSuffix);
  const fs::path fail = folder / DriveFileName(number, kDriveFailSuffix);
  if (Exists(fail)) {
    if (Exists(bin)) return fail.string() + ": a drive cannot both fail and answer";
    machine.drives[number].requestFails = true;
    return std::nullopt;
  }
  if (!Exists(bin)) {
    if (Exists(count)) return count.string() + ": no " + bin.filename().string() + " beside it";
    return std::nullopt;
  }
  standin::Bytes bytes;
  if (std::optional<std::string> problem = ReadCaptureFile(bin, bytes)) return problem;
  standin::Drive drive;
  drive.returned = static_cast<std::uint32_t>(bytes.size());
  if (Exists(count)) {
    standin::Bytes text;
    if (std::optional<std::string> problem = ReadCaptureFile(count, text)) return problem;
    const std::optional<std::uint32_t> value = ParseCount(std::string(text.begin(), text.end()));
    if (!value) return count.string() + ": not a decimal 32-bit unsigned number";
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

std::optional<std::string> ReadCaptureFile(const fs::path& file, standin::Bytes& bytes) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (error) return file.string() + ": cannot be read: " + error.message();
  if (!fs::is_regular_file(status)) return file.string() + ": " + NotRegular(status.type());
  const std::uintmax_t size = fs::file_size(file, error);
  if (error) return file.string() + ": cannot be read: " + error.message();
  const std::string tooLarge = file.string() + ": larger than the " +
                               std::to_string(kMaxCaptureFileBytes >> 20) +
                               " MiB any capture file holds";
  if (size > kMaxCaptureFileBytes) return tooLarge;
  std::ifstream in(file, std::ios::binary);
  if (!in) return file.string() + ": cannot be read";
  // Read no further than the limit, in case the file grew since its size was taken.
  bytes.clear();
  std::array<char, 1 << 16> chunk{};
  while (in) {
    in.read(chunk.data(), chunk.size());
    const auto* begin = reinterpret_cast<const std::uint8_t*>(chunk.data());
    bytes.insert(bytes.end(), begin, begin + in.gcount());
    if (bytes.size() > kMaxCaptureFileBytes) return tooLarge;
  }
  if (in.bad()) return file.string() + ": cannot be read";
  return std::nullopt;
}

std::optional<std::string> LoadDriveCaptures(const fs::path& folder, standin::Machine& machine) {
  for (int number = 0; number <= kMaxDriveNumber; ++number) {
    if (std::optional<std::string> error = LoadDrive(folder, number, machine)) return error;
  }
  return std::nullopt;
}

std::optional<std::string> LoadCaptureFolder(const fs::path& folder, standin::Machine& machine) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return folder.string() + ": not a folder that can be read";
  // Listing it proves that it can be read, not only that it exists.
  fs::directory_iterator listing(folder, error);
  if (error) return folder.string() + ": " + error.message();
  for (auto load : {LoadDriveCaptures, LoadFirmwareCapture, LoadRegistryCapture}) {
    if (std::optional<std::string> problem = load(folder, machine)) return problem;
  }
  return std::nullopt;
}

}  // namespace quorvex::replay

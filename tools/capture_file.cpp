#include "capture_file.h"

#include <array>
#include <fstream>
#include <system_error>

#include "capture_format.h"

namespace quorvex::tools {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

std::optional<std::string> ReadCaptureFile(const fs::path& file, std::string& bytes) {
  using capture_format::kMaxCaptureFileBytes;
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
    bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxCaptureFileBytes) return tooLarge;
  }
  if (in.bad()) return file.string() + ": cannot be read";
  return std::nullopt;
}

}  // namespace quorvex::tools

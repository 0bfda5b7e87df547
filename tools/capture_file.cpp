#include "capture_file.h"

#include <algorithm>
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

std::optional<std::string> CaptureFileProblem(const fs::path& file, std::ifstream& in,
                                              std::uintmax_t& size) {
  static_assert(capture_format::kMaxCaptureFileBytes == std::uintmax_t{64} << 20,
                "the refusal says 64 MiB");
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (error) return "cannot be read: " + error.message();
  if (!fs::is_regular_file(status)) return NotRegular(status.type());
  size = fs::file_size(file, error);
  if (error) return "cannot be read: " + error.message();
  if (size > capture_format::kMaxCaptureFileBytes) return std::string(kTooLargeCaptureFile);
  in.open(file, std::ios::binary);
  if (!in) return std::string("cannot be read");
  return std::nullopt;
}

Failure FileFailure(const fs::path& file, std::string reason) {
  return {file.u8string(), std::nullopt, std::move(reason)};
}

std::optional<Failure> ReadCaptureFile(const fs::path& file, std::string& bytes) {
  std::ifstream in;
  std::uintmax_t size = 0;
  if (std::optional<std::string> problem = CaptureFileProblem(file, in, size)) {
    return FileFailure(file, std::move(*problem));
  }
  // Room for the size taken, so that a file costs its own bytes and no more;
  // read no further than the limit, in case the file grew since.
  bytes.assign(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  std::array<char, 1 << 16> chunk{};
  while (in) {
    in.read(chunk.data(), chunk.size());
    bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > capture_format::kMaxCaptureFileBytes) {
      return FileFailure(file, kTooLargeCaptureFile);
    }
  }
  if (in.bad()) return FileFailure(file, "cannot be read");
  return std::nullopt;
}

std::optional<Failure> CaptureFileChunks::Open(const fs::path& file) {
  file_ = file;
  std::uintmax_t size = 0;
  if (std::optional<std::string> problem = CaptureFileProblem(file, in_, size)) {
    return FileFailure(file, std::move(*problem));
  }
  // One byte more than the file, so that reading it whole meets its end.
  roomBytes_ = static_cast<std::size_t>(std::min<std::uintmax_t>(size + 1, kChunkBytes));
  room_.reset(new char[roomBytes_]);
  return std::nullopt;
}

std::string_view CaptureFileChunks::Next() {
  if (!in_ || tooLarge_) return {};
  in_.read(room_.get(), static_cast<std::streamsize>(roomBytes_));
  const auto size = static_cast<std::size_t>(in_.gcount());
  read_ += size;
  if (read_ > capture_format::kMaxCaptureFileBytes) {
    tooLarge_ = true;
    return {};
  }
  return {room_.get(), size};
}

std::optional<Failure> CaptureFileChunks::Problem() const {
  if (tooLarge_) return FileFailure(file_, kTooLargeCaptureFile);
  if (in_.bad()) return FileFailure(file_, "cannot be read");
  return std::nullopt;
}

bool CaptureFileChunks::Iterator::NextChunk() const {
  const std::string_view chunk = chunks_->Next();
  at_ = chunk.data();
  last_ = chunk.data() + chunk.size();
  return at_ != last_;
}

}  // namespace quorvex::tools

#include "fingerprint_key.h"

#include <string_view>
#include <utility>

#include "capture_file.h"
#include "platform/random_bytes.h"

#if defined(_WIN32)
#include "platform/scoped_win32.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace quorvex::tools {
namespace {

std::string Bytes(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

#if defined(_WIN32)

std::string WindowsError(DWORD error) { return "Windows error " + std::to_string(error); }

// Writes `bytes` to a file made here; the handle is closed before a failed
// file is deleted, since Windows deletes no file that is still open.
std::optional<std::string> WriteNewFile(const std::filesystem::path& file, std::string_view bytes) {
  std::optional<std::string> problem;
  {
    const ScopedFile handle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.IsValid()) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        return std::string("already exists; a new key never replaces a file");
      }
      return "cannot be made: " + WindowsError(error);
    }
    while (!bytes.empty() && !problem) {
      DWORD written = 0;
      if (!::WriteFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
        problem = "cannot be written: " + WindowsError(::GetLastError());
      } else if (written == 0) {
        problem = std::string("cannot be written: nothing was taken");
      } else {
        bytes.remove_prefix(written);
      }
    }
    if (!problem && !::FlushFileBuffers(handle.Get())) {
      problem = "cannot be written: " + WindowsError(::GetLastError());
    }
  }
  if (problem) ::DeleteFileW(file.c_str());
  return problem;
}

#else

// The new file's descriptor, closed on every path. Close() is for the one
// path that must know whether closing worked: a write can fail only then.
class Descriptor {
 public:
  explicit Descriptor(int fd) noexcept : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

  int Get() const noexcept { return fd_; }
  bool Close() noexcept { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

std::string SystemReason() { return std::strerror(errno); }

std::optional<std::string> WriteWhole(Descriptor& fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd.Get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return "cannot be written: " + SystemReason();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  // A key that only the page cache held would be lost with the machine.
  if (::fsync(fd.Get()) != 0 || !fd.Close()) return "cannot be written: " + SystemReason();
  return std::nullopt;
}

std::optional<std::string> WriteNewFile(const std::filesystem::path& file, std::string_view bytes) {
  // O_EXCL also refuses a symbolic link, wherever it points.
  Descriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.Get() < 0) {
    if (errno == EEXIST) return std::string("already exists; a new key never replaces a file");
    return "cannot be made: " + SystemReason();
  }
  std::optional<std::string> problem = WriteWhole(fd, bytes);
  if (problem) ::unlink(file.c_str());
  return problem;
}

#endif

}  // namespace

std::optional<Failure> ReadFingerprintKey(const std::filesystem::path& file, std::string& key) {
  if (std::optional<Failure> problem = ReadCaptureFile(file, key)) {
    key.clear();
    return problem;
  }
  if (key.size() < kFingerprintKeyMinBytes) {
    const std::size_t size = key.size();
    key.clear();
    return FileFailure(file, (size == 0 ? std::string("empty") : "only " + Bytes(size)) +
                                 "; a key needs at least " + Bytes(kFingerprintKeyMinBytes));
  }
  return std::nullopt;
}

std::optional<std::string> WriteNewFingerprintKey(const std::filesystem::path& file) {
  // The bytes come first, so that a generator that fails leaves no file behind.
  std::string key;
  if (std::optional<std::string> problem = RandomBytes(kNewFingerprintKeyBytes, key)) {
    return "no key made: " + *problem;
  }
  return WriteNewFile(file, key);
}

}  // namespace quorvex::tools

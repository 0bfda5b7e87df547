#include "platform/random_bytes.h"

#include <algorithm>
#include <limits>

#if defined(_WIN32)
#include "platform/cng.h"
#else
#include <sys/random.h>

#include <cerrno>
#include <cstring>
#endif

namespace quorvex {
namespace {

#if defined(_WIN32)

// CNG counts bytes in a ULONG; a longer request is filled in pieces of that size.
std::optional<std::string> Fill(char* out, std::size_t count) {
  constexpr std::size_t kMostAtOnce = std::numeric_limits<ULONG>::max();
  while (count > 0) {
    const std::size_t now = std::min(count, kMostAtOnce);
    const NTSTATUS status =
        ::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(out), static_cast<ULONG>(now),
                          BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) return CngFailure("BCryptGenRandom", status);
    out += now;
    count -= now;
  }
  return std::nullopt;
}

#else

// getrandom may hand over fewer bytes than asked (a signal, a large
// request), so it is asked again for the rest.
std::optional<std::string> Fill(char* out, std::size_t count) {
  while (count > 0) {
    const ssize_t got = ::getrandom(out, count, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::string("getrandom failed: ") + std::strerror(errno);
    }
    out += got;
    count -= static_cast<std::size_t>(got);
  }
  return std::nullopt;
}

#endif

}  // namespace

std::optional<std::string> RandomBytes(std::size_t count, std::string& bytes) {
  bytes.assign(count, '\0');
  if (std::optional<std::string> problem = Fill(bytes.data(), count)) {
    bytes.clear();
    return problem;
  }
  return std::nullopt;
}

}  // namespace quorvex

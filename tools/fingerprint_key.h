// The application's secret key that machine fingerprints are made under: a
// file of bytes, as they are, that a program keeps to itself. Read for
// --key FILE, made for --new-key FILE.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "quorvex/failure.h"
#include "quorvex/fingerprint.h"

namespace quorvex::tools {

// What a new key file holds; a key read must have kFingerprintKeyMinBytes
// (quorvex/fingerprint.h), which the fingerprints' own setup refuses below.
inline constexpr std::size_t kNewFingerprintKeyBytes = 32;

// Reads the key file's bytes into `key`, or says why not: the refusals of
// every file a user hands the tools (not a regular file, larger than 64 MiB,
// unreadable, with the system's reason), or fewer bytes than
// kFingerprintKeyMinBytes, saying how many there are. `key` is left empty on
// a refusal.
std::optional<Failure> ReadFingerprintKey(const std::filesystem::path& file, std::string& key);

// Writes kNewFingerprintKeyBytes from the system's random generator to
// `file`, which must not exist: the file is made by the call that writes it
// (O_CREAT | O_EXCL, mode 0600, on POSIX; CREATE_NEW on Windows), so an
// existing file is never replaced, even one made a moment before. A file
// that could not be written whole is removed. Says why not, without naming
// the file.
std::optional<std::string> WriteNewFingerprintKey(const std::filesystem::path& file);

}  // namespace quorvex::tools

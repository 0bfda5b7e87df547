// Reading a file that a user hands the tools as part of a capture: a capture
// folder's files, or a saved identities document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "quorvex/failure.h"

namespace quorvex::tools {

// Opens the file for reading into `in` and gives its size as it was then
// in `size`, or says why it is refused, without naming it. A file that is not a regular one once
// links are followed (a pipe, a device, a folder) or that is larger than
// capture_format::kMaxCaptureFileBytes is refused before a byte of it is
// read: reading a pipe or a device may never end. The file may still grow;
// whoever reads it keeps to the limit.
std::optional<std::string> CaptureFileProblem(const std::filesystem::path& file, std::ifstream& in,
                                              std::uintmax_t& size);

// Why a file over the limit is refused.
inline constexpr const char* kTooLargeCaptureFile = "larger than the 64 MiB any capture file holds";

// A failure that names `file` and says `reason`.
Failure FileFailure(const std::filesystem::path& file, std::string reason);

// Reads the whole file into `bytes`, or says why not, with
// CaptureFileProblem's refusals.
std::optional<Failure> ReadCaptureFile(const std::filesystem::path& file, std::string& bytes);

}  // namespace quorvex::tools

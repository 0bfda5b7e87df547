// Loading a capture folder (its files: capture_format.h) into the stand-in machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "capture_format.h"
#include "quorvex/failure.h"
#include "standin/model/machine.h"

namespace quorvex::replay {

// Fills `machine` from the folder. On a folder that cannot be read, or a file
// that is not what its name says, says which and why and leaves `machine` in
// an unspecified state.
std::optional<Failure> LoadCaptureFolder(const std::filesystem::path& folder,
                                         standin::Machine& machine);

// One part of the folder each; same contract as LoadCaptureFolder.
std::optional<Failure> LoadDriveCaptures(const std::filesystem::path& folder,
                                         standin::Machine& machine);
std::optional<Failure> LoadFirmwareCapture(const std::filesystem::path& folder,
                                           standin::Machine& machine);
std::optional<Failure> LoadRegistryCapture(const std::filesystem::path& folder,
                                           standin::Machine& machine);

using capture_format::kMaxCaptureFileBytes;

// Whether a capture file is there; a folder that cannot be read has none.
bool Exists(const std::filesystem::path& file);

// Reads a whole capture file into `bytes`, with tools::ReadCaptureFile's refusals.
std::optional<Failure> ReadCaptureFile(const std::filesystem::path& file, standin::Bytes& bytes);

}  // namespace quorvex::replay

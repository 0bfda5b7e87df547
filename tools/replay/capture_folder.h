// Loading a capture folder (its files: capture_format.h) into the stand-in machine.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/standin/machine.h"

namespace quorvex::replay {

// Fills `machine` from the folder. On a folder that cannot be read, or a file
// that is not what its name says, returns a message for the user and leaves
// `machine` in an unspecified state.
std::optional<std::string> LoadCaptureFolder(const std::filesystem::path& folder,
                                             standin::Machine& machine);

// One part of the folder each; same contract as LoadCaptureFolder.
std::optional<std::string> LoadDriveCaptures(const std::filesystem::path& folder,
                                             standin::Machine& machine);
std::optional<std::string> LoadFirmwareCapture(const std::filesystem::path& folder,
                                               standin::Machine& machine);
std::optional<std::string> LoadRegistryCapture(const std::filesystem::path& folder,
                                               standin::Machine& machine);

// Reads a whole file as bytes; nothing when it cannot be read.
std::optional<standin::Bytes> ReadFileBytes(const std::filesystem::path& file);

}  // namespace quorvex::replay

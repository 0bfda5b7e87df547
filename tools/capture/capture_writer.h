// Turning what the machine answers into the files of a capture folder, and
// writing them. The machine is asked through the report's own requests
// (CaptureMachine); everything else works on their results alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "capture/registry_capture.h"
#include "quorvex/requests.h"

namespace quorvex::capture {

struct CaptureFile {
  std::string name;  // a plain file name: never a path
  std::vector<std::uint8_t> bytes;
};

// Everything a capture of this machine holds: the registry's answer as
// `registry` has it (CaptureRegistry() on Windows), then each drive 0 to 7
// and the firmware table, asked through the report's own requests.
std::vector<CaptureFile> CaptureMachine(const RegistryCapture& registry);

// The files for drive `number`: none when it does not open, the fail file
// when the request fails, else the response (up to the returned count, cut at
// the buffer) and the count as the driver reported it.
std::vector<CaptureFile> DriveFiles(std::int32_t number, const StorageQueryResult& result);

// The files for the firmware table; see the .cpp for how failures are kept.
std::vector<CaptureFile> FirmwareFiles(const SmbiosFetchResult& result);

// Makes `folder` and its parents when missing. A folder that already holds
// anything is refused, so that no file of an older capture, or of anything
// else, is overwritten or mixed in. Returns a message for the user on refusal.
std::optional<std::string> PrepareCaptureFolder(const std::filesystem::path& folder);

// Writes every file into `folder`, listing each on `listing` once written.
// Stops at the first file that cannot be written and returns a message.
std::optional<std::string> WriteCaptureFiles(const std::filesystem::path& folder,
                                             const std::vector<CaptureFile>& files,
                                             std::ostream& listing);

}  // namespace quorvex::capture

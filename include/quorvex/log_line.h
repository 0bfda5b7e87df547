// Every status and data line of the report goes through here:
// "[TAMBRO] [section] message", then "\n" and a flush, so that a line is on
// screen the moment its value is known.
#pragma once

#include <string_view>

namespace quorvex {

inline constexpr std::string_view kTag = "[TAMBRO]";

// The section tags of the three phases' status lines.
inline constexpr std::string_view kNvidiaSection = "[NVIDIA]";
inline constexpr std::string_view kDiskSection = "[DiskStorage]";
inline constexpr std::string_view kSmbiosSection = "[SMBIOS]";

void LogLine(std::string_view section, std::string_view message);
// The completion line carries no section tag.
void LogLine(std::string_view message);
// The empty line that follows each phase's closing line.
void EmptyLine();

}  // namespace quorvex

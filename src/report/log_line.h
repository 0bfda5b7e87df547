// Every status and data line of the report goes through here:
// "[TAMBRO] [section] message", then "\n" and a flush, so that a line is on
// screen the moment its value is known.
#pragma once

#include <string>
#include <string_view>

namespace quorvex {

inline constexpr std::string_view kTag = "[TAMBRO]";

// The section tags of the three phases' status lines.
inline constexpr std::string_view kNvidiaSection = "[NVIDIA]";
inline constexpr std::string_view kDiskSection = "[DiskStorage]";
inline constexpr std::string_view kSmbiosSection = "[SMBIOS]";

void LogLine(std::string_view section, std::string_view message);
// A data line: `prefix` (numbers and label) is the report's own text, `value`
// is what the system handed over. Redirected output gets the value byte for
// byte; on a `console` it is written as ConsoleVisible makes it, so that a
// drive, a driver or the firmware cannot move the cursor, erase, forge a line
// or retitle the window.
void LogLine(std::string_view section, std::string_view prefix, std::string_view value,
             bool console);
// The completion line carries no section tag.
void LogLine(std::string_view message);
// The empty line that follows each phase's closing line.
void EmptyLine();

// Whether standard output is a console, which acts on control characters,
// rather than a file or a pipe, which only stores them.
bool StandardOutputIsConsole();

// `text` with every control character shown instead of acted on: C0 (tab
// included) and DEL as their Unicode control pictures (U+2400 + byte, U+2421
// for DEL), and a C1 control as UTF-8 encodes it (C2 80 to C2 9F) as "\x" and
// two upper-case hex digits of its code. Every other byte, valid UTF-8 or not,
// is kept.
std::string ConsoleVisible(std::string_view text);

}  // namespace quorvex

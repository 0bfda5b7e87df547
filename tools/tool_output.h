// What the tools write besides their output: messages that cannot act on a
// terminal, and an exit status that tells a script whether its document was
// written at all (a full disk, a closed pipe).
#pragma once

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "report/log_line.h"

namespace quorvex::tools {

// A message on standard error, "TOOL: MESSAGE". A message quotes file names,
// member names and values, which may hold anything: every control in it is
// shown, never obeyed, whether standard error is a terminal or not.
inline void Complain(std::string_view tool, std::string_view message) {
  std::cerr << tool << ": " << ConsoleVisible(message) << "\n";
}

// Flushes standard output. When anything written to it failed, says so on
// standard error and returns 2; else returns `status`.
inline int FinishStandardOutput(std::string_view tool, int status) {
  errno = 0;
  std::cout.flush();
  const bool failed = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!failed) return status;
  const int cause = errno;
  std::string message = "standard output could not be written";
  if (cause != 0) message += ": " + std::generic_category().message(cause);
  Complain(tool, message);
  return 2;
}

}  // namespace quorvex::tools

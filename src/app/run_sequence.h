#pragma once

namespace quorvex {

// The whole program: the banner, the three phases in their fixed order, the
// completion line, then one character read from standard input. Writes to
// std::cout and reads std::cin, so a test can swap their buffers. Returns the
// process exit code, which is always 0.
int RunReport();

}  // namespace quorvex

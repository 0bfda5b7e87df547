#include "quorvex/log_line.h"

#include <iostream>

namespace quorvex {

void LogLine(std::string_view section, std::string_view message) {
  std::cout << kTag << ' ' << section << ' ' << message << '\n' << std::flush;
}

void LogLine(std::string_view message) {
  std::cout << kTag << ' ' << message << '\n' << std::flush;
}

void EmptyLine() { std::cout << '\n' << std::flush; }

}  // namespace quorvex

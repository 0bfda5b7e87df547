// The command line both tools read: --json, --keys, --diff, --help or -h,
// and operands, with -- before an operand that begins with -. Any other argument that begins with
// - is refused, so that a mistyped option never becomes a folder's name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tools {

struct ToolArguments {
  bool help = false;
  bool json = false;
  bool keys = false;
  bool diff = false;
  std::vector<std::string> operands;
  std::string refused;  // the first argument that is no option; empty when none
};

inline ToolArguments ParseToolArguments(int argc, char** argv) {
  ToolArguments parsed;
  bool options = true;
  for (int at = 1; at < argc; ++at) {
    const std::string_view argument = argv[at];
    if (!options || argument.size() < 2 || argument[0] != '-') {
      parsed.operands.emplace_back(argument);
    } else if (argument == "--") {
      options = false;
    } else if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--json") {
      parsed.json = true;
    } else if (argument == "--keys") {
      parsed.keys = true;
    } else if (argument == "--diff") {
      parsed.diff = true;
    } else if (parsed.refused.empty()) {
      parsed.refused = argument;
    }
  }
  return parsed;
}

}  // namespace quorvex::tools

// The command line both tools read: --json, --keys, --diff, --from LIST,
// --help or -h, and operands, with -- before an operand that begins with -.
// Any other argument that begins with - is refused, so that a mistyped
// option never becomes a folder's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tools {

struct ToolArguments {
  bool help = false;
  bool json = false;
  bool keys = false;
  bool diff = false;
  std::optional<std::string> from;  // --from's LIST: a file, or - for standard input
  std::vector<std::string> operands;
  std::string refused;  // why the first argument that is no option was refused; empty when none
};

inline ToolArguments ParseToolArguments(int argc, char** argv) {
  ToolArguments parsed;
  const auto refuse = [&](std::string why) {
    if (parsed.refused.empty()) parsed.refused = std::move(why);
  };
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
    } else if (argument == "--from" || argument.substr(0, 7) == "--from=") {
      if (parsed.from) {
        refuse("--from given twice");
      } else if (argument.size() > 7) {
        parsed.from = std::string(argument.substr(7));
      } else if (at + 1 < argc) {
        parsed.from = argv[++at];
      } else {
        refuse("--from needs a LIST");
      }
    } else {
      refuse("no option " + std::string(argument));
    }
  }
  return parsed;
}

}  // namespace quorvex::tools

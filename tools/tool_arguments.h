// The command line both tools read: --json, --keys, --diff, --fingerprint,
// --match, --from LIST, --key FILE, --new-key FILE, --help or -h, and
// operands, with -- before an operand that begins with -.
// Any other argument that begins with - is refused, so that a mistyped
// option never becomes a folder's name.
#pragma once

#include <algorithm>
#include <iterator>
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
  bool fingerprint = false;
  bool match = false;
  std::optional<std::string> from;    // --from's LIST: a file, or - for standard input
  std::optional<std::string> key;     // --key's FILE: the application's fingerprint key
  std::optional<std::string> newKey;  // --new-key's FILE: where a new key is written
  std::vector<std::string> operands;
  std::string refused;  // why the first argument that is no option was refused; empty when none
};

// The options that take a value, as --NAME VALUE or --NAME=VALUE.
struct ValuedOption {
  std::string_view name;
  std::string_view value;  // what the usage calls it
  std::optional<std::string> ToolArguments::*into;
};

inline constexpr ValuedOption kValuedOptions[] = {
    {"--from", "LIST", &ToolArguments::from},
    {"--key", "FILE", &ToolArguments::key},
    {"--new-key", "FILE", &ToolArguments::newKey},
};

inline ToolArguments ParseToolArguments(int argc, char** argv) {
  ToolArguments parsed;
  const auto refuse = [&](std::string why) {
    if (parsed.refused.empty()) parsed.refused = std::move(why);
  };
  // Whether `argument` is the valued option `option`; its value taken when so.
  const auto valued = [&](std::string_view argument, const ValuedOption& option, int& at) {
    const std::string_view name = option.name;
    const bool joined = argument.size() > name.size() && argument[name.size()] == '=';
    if (argument.substr(0, name.size()) != name || (argument.size() > name.size() && !joined)) {
      return false;
    }
    std::optional<std::string>& into = parsed.*option.into;
    if (into) {
      refuse(std::string(name) + " given twice");
    } else if (joined) {
      into = std::string(argument.substr(name.size() + 1));
    } else if (at + 1 < argc) {
      into = argv[++at];
    } else {
      refuse(std::string(name) + " needs a " + std::string(option.value));
    }
    return true;
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
    } else if (argument == "--fingerprint") {
      parsed.fingerprint = true;
    } else if (argument == "--match") {
      parsed.match = true;
    } else if (std::none_of(
                   std::begin(kValuedOptions), std::end(kValuedOptions),
                   [&](const ValuedOption& option) { return valued(argument, option, at); })) {
      refuse("no option " + std::string(argument));
    }
  }
  return parsed;
}

// How many modes the arguments ask for: --keys, --diff, --fingerprint,
// --match and --new-key each is one, and a call may ask for one at most.
inline int Modes(const ToolArguments& arguments) {
  return int{arguments.keys} + int{arguments.diff} + int{arguments.fingerprint} +
         int{arguments.match} + int{arguments.newKey.has_value()};
}

}  // namespace quorvex::tools

#include "keys/fingerprint_captures.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "fingerprint_key.h"
#include "keys/match_report.h"
#include "quorvex/fingerprint.h"
#include "tool_output.h"

namespace quorvex::keys {
namespace {

// A file the command line names, or the message given when it cannot be.
std::optional<std::filesystem::path> NamedFile(const std::string& name,
                                               const CaptureSources& sources) {
  std::optional<std::filesystem::path> path = PathOf(name);
  if (!path) tools::Complain(sources.tool, name + ": not a UTF-8 name");
  return path;
}

// The Fingerprinter under --key's FILE; false, with the message given, when the key will not do.
bool KeyedFingerprinter(const std::string& keyFile, const CaptureSources& sources,
                        std::optional<Fingerprinter>& fingerprinter) {
  const std::optional<std::filesystem::path> path = NamedFile(keyFile, sources);
  if (!path) return false;
  std::string key;
  std::optional<Failure> failure = tools::ReadFingerprintKey(*path, key);
  if (!failure) failure = Fingerprinter::Create(key, fingerprinter);
  if (!failure) return true;
  failure->path = keyFile;  // as the user named it
  tools::Complain(sources.tool, FailureMessage(*failure));
  return false;
}

bool Fingerprinted(const std::string& name, const std::vector<MachineKey>& keys,
                   Fingerprinter& fingerprinter, const CaptureSources& sources,
                   Fingerprint& fingerprint) {
  std::optional<Failure> failure = fingerprinter.Of(keys, fingerprint);
  if (!failure) return true;
  failure->path = name;
  tools::Complain(sources.tool, FailureMessage(*failure));
  return false;
}

// This machine's fingerprint now.
bool ThisMachine(Fingerprinter& fingerprinter, const CaptureSources& sources,
                 Fingerprint& fingerprint) {
  std::vector<MachineKey> keys;
  return LoadThisMachineKeys(sources, keys) &&
         Fingerprinted(kThisMachine, keys, fingerprinter, sources, fingerprint);
}

// The fingerprints of the captures named, every one read before any is written.
bool Captures(const std::vector<std::string>& names, Fingerprinter& fingerprinter,
              const CaptureSources& sources, std::vector<Fingerprint>& fingerprints) {
  std::vector<MachineKey> keys;
  for (const std::string& name : names) {
    if (const auto problem = LoadCaptureKeys(name, sources, keys)) {
      tools::Complain(sources.tool, *problem);
      return false;
    }
    if (!Fingerprinted(name, keys, fingerprinter, sources, fingerprints.emplace_back())) {
      return false;
    }
  }
  return true;
}

bool ReadDocument(const std::string& name, const CaptureSources& sources,
                  Fingerprint& fingerprint) {
  const std::optional<std::filesystem::path> path = NamedFile(name, sources);
  if (!path) return false;
  std::optional<Failure> failure = ReadFingerprintFile(*path, fingerprint);
  if (!failure) return true;
  failure->path = name;
  tools::Complain(sources.tool, FailureMessage(*failure));
  return false;
}

}  // namespace

int RunFingerprint(const tools::ToolArguments& arguments, const CaptureSources& sources) {
  std::optional<Fingerprinter> fingerprinter;
  if (!KeyedFingerprinter(*arguments.key, sources, fingerprinter)) return kTrouble;
  std::vector<std::string> names;
  if (!NamedCaptures(arguments, sources, names)) return kTrouble;
  std::vector<Fingerprint> fingerprints;
  if (names.empty()) {
    if (!ThisMachine(*fingerprinter, sources, fingerprints.emplace_back())) return kTrouble;
  } else if (!Captures(names, *fingerprinter, sources, fingerprints)) {
    return kTrouble;
  }
  for (const Fingerprint& fingerprint : fingerprints) std::cout << FingerprintDocument(fingerprint);
  return tools::FinishStandardOutput(sources.tool, 0);
}

int RunMatch(const tools::ToolArguments& arguments, const CaptureSources& sources) {
  std::optional<Fingerprinter> fingerprinter;
  if (arguments.key && !KeyedFingerprinter(*arguments.key, sources, fingerprinter)) {
    return kTrouble;
  }
  Fingerprint enrolled, current;
  if (!ReadDocument(arguments.operands[0], sources, enrolled)) return kTrouble;
  std::string currentName = kThisMachine;
  if (fingerprinter) {
    if (!ThisMachine(*fingerprinter, sources, current)) return kTrouble;
  } else {
    currentName = arguments.operands[1];
    if (!ReadDocument(currentName, sources, current)) return kTrouble;
  }
  const FingerprintMatch match = MatchFingerprints(enrolled, current);
  if (arguments.json) {
    WriteMatchJson(match, arguments.operands[0], currentName, std::cout);
  } else {
    WriteMatchText(match, std::cout);
  }
  return tools::FinishStandardOutput(sources.tool, match.same ? 0 : 1);
}

int RunNewKey(const tools::ToolArguments& arguments, const CaptureSources& sources) {
  const std::optional<std::filesystem::path> path = NamedFile(*arguments.newKey, sources);
  if (!path) return kTrouble;
  if (const auto problem = tools::WriteNewFingerprintKey(*path)) {
    tools::Complain(sources.tool, *arguments.newKey + ": " + *problem);
    return kTrouble;
  }
  return 0;
}

}  // namespace quorvex::keys

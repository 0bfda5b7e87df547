// quorvex-consumer [DOCUMENT]: the machine keys that can serve as one, of
// this machine (on Windows) or of an identities document that
// quorvex-capture.exe --json wrote. One line a key: its kind, a blank, its
// value, each byte outside printable ASCII as \xHH, so that no value can act
// on the terminal or pass for a second line.
// quorvex-consumer OLD NEW: which keys changed from one document to the
// other, a line each: the kind; changed, added or removed; where the key
// stands in OLD (in NEW for an added one).
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "quorvex/documents.h"
#include "quorvex/identities.h"
#include "quorvex/machine_keys.h"

namespace {

std::string Printable(const std::string& value) {
  std::string shown;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      shown += escape;
    }
  }
  return shown;
}

bool Read(const char* document, quorvex::Identities& identities) {
  if (const auto failure =
          quorvex::ReadIdentitiesFile(std::filesystem::u8path(document), identities)) {
    std::cerr << "quorvex-consumer: " << quorvex::FailureMessage(*failure) << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  quorvex::Identities identities;
  if (argc == 3) {
    quorvex::Identities now;
    if (!Read(argv[1], identities) || !Read(argv[2], now)) return 2;
    // The keys are temporaries; the diff holds what it names.
    const quorvex::KeyDiff diff =
        quorvex::DiffKeys(quorvex::MachineKeys(identities), quorvex::MachineKeys(now));
    for (const quorvex::KeyChange& change : diff.changes) {
      const quorvex::MachineKey& key = change.before ? *change.before : *change.after;
      std::cout << quorvex::KeyKindName(change.kind) << ' ' << quorvex::ChangeName(change.change)
                << ' ' << quorvex::KeyPointer(key) << '\n';
    }
    return std::cout.flush() ? 0 : 2;
  }
  if (argc == 2) {
    if (!Read(argv[1], identities)) return 2;
  } else {
#if defined(_WIN32)
    identities = quorvex::ReadThisMachine();
#else
    std::cerr << "usage: quorvex-consumer DOCUMENT [NEW_DOCUMENT]\n";
    return 2;
#endif
  }
  for (const quorvex::MachineKey& key : quorvex::MachineKeys(identities)) {
    if (key.quality == quorvex::KeyQuality::kUsable) {
      std::cout << quorvex::KeyKindName(key.kind) << ' ' << Printable(*key.value) << '\n';
    }
  }
  return std::cout.flush() ? 0 : 2;
}

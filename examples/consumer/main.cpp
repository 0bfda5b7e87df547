// quorvex-consumer [DOCUMENT]: the machine keys that can serve as one, of
// this machine (on Windows) or of an identities document that
// quorvex-capture.exe --json wrote. One line a key: its kind, a blank, its
// value, each byte outside printable ASCII as \xHH, so that no value can act
// on the terminal or pass for a second line.
// quorvex-consumer OLD NEW: which keys changed from one document to the
// other, a line each: the kind; changed, added or removed; where the key
// stands in OLD (in NEW for an added one).
// quorvex-consumer --fingerprint KEY_FILE DOCUMENT: the document's machine
// fingerprint under the application's secret key in KEY_FILE.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "quorvex/documents.h"
#include "quorvex/fingerprint.h"
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

// The fingerprint under the key file's bytes, as a licence server would enrol it.
int PrintFingerprint(const quorvex::Identities& identities, const char* keyFile) {
  std::ifstream in(std::filesystem::u8path(keyFile), std::ios::binary);
  const std::string key{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  quorvex::Fingerprint fingerprint;
  if (const auto failure = quorvex::MachineFingerprint(key, identities, fingerprint)) {
    std::cerr << "quorvex-consumer: " << keyFile << ": " << quorvex::FailureMessage(*failure)
              << "\n";
    return 2;
  }
  std::cout << quorvex::FingerprintDocument(fingerprint);
  return std::cout.flush() ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  quorvex::Identities identities;
  if (argc == 4 && std::string_view(argv[1]) == "--fingerprint") {
    return Read(argv[3], identities) ? PrintFingerprint(identities, argv[2]) : 2;
  }
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

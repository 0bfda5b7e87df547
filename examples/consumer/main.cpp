// quorvex-consumer [DOCUMENT [KEY_FILE]]: the machine keys that can serve
// as one, of this machine (on Windows) or of an identities document that
// quorvex-capture.exe --json wrote. One line a key: its kind, a blank, its
// value, each byte outside printable ASCII as \xHH, so that no value can act
// on the terminal or pass for a second line. With KEY_FILE, the application's
// secret key, the document's machine fingerprint under it instead.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

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

// The document's fingerprint under the key file's bytes, as a licence server would enrol it.
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
  if (argc == 2 || argc == 3) {
    if (const auto failure =
            quorvex::ReadIdentitiesFile(std::filesystem::u8path(argv[1]), identities)) {
      std::cerr << "quorvex-consumer: " << quorvex::FailureMessage(*failure) << "\n";
      return 2;
    }
  } else {
#if defined(_WIN32)
    identities = quorvex::ReadThisMachine();
#else
    std::cerr << "usage: quorvex-consumer DOCUMENT\n";
    return 2;
#endif
  }
  if (argc == 3) return PrintFingerprint(identities, argv[2]);
  for (const quorvex::MachineKey& key : quorvex::MachineKeys(identities)) {
    if (key.quality == quorvex::KeyQuality::kUsable) {
      std::cout << quorvex::KeyKindName(key.kind) << ' ' << Printable(*key.value) << '\n';
    }
  }
  return std::cout.flush() ? 0 : 2;
}

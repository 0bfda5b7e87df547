// A machine fingerprint for programs that recognise a machine again (a
// licence bound to it, an activation, a device in an inventory): keyed per
// application, built from the usable machine keys only, matched with
// tolerance for a changed part, and holding nothing raw.
//
// The construction, so that a back end that holds the raw serials (from
// identities documents, say) computes the same tags without Quorvex:
//
//   1. Take the machine keys whose quality is usable (JudgeKey).
//   2. Make each value comparable (ComparableKey): without the blanks
//      (space, tab, CR, LF, NUL) at either end; for gpu-uuid and
//      system-uuid also without one pair of enclosing braces (and the
//      blanks inside them) and a leading "GPU-" in any case, and with the
//      ASCII letters in lower case. The bytes are otherwise as they are.
//   3. Each distinct (kind, comparable value) is one component. Its tag is
//      the first 16 bytes of HMAC-SHA-256 (RFC 2104, FIPS 180-4) under the
//      application's key of the message
//
//        "quorvex-fingerprint-1" 0x00 KIND 0x00 VALUE
//
//      where KIND is the kind's name ("drive-serial", KeyKindName) and VALUE
//      the comparable value's bytes, written as 32 lower-case hexadecimal
//      digits.
//   4. The components come in KeyKind's order (gpu-uuid, drive-serial,
//      system-uuid, system-serial, baseboard-serial, chassis-serial,
//      chassis-asset-tag, processor-serial, memory-serial), then by tag.
//
// Nothing else goes in: no key that is not usable, no raw value, no unkeyed
// hash, no count. A fingerprint therefore does not change when Windows
// renumbers the drives, an adapter lists its UUIDs in another order, or a
// UUID is spelled with braces, "GPU-" or in another case.
//
// The key is the application's secret, not its name: serial numbers have
// little entropy, so whoever held a fingerprint and the key could confirm a
// guessed serial by computing its tag. Two keys give tags that share
// nothing, so two applications cannot join their records by them.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)):
// quorvex::fingerprint, which needs the platform's cryptography (CNG on
// Windows, OpenSSL's libcrypto elsewhere) and nlohmann/json for the reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/failure.h"
#include "quorvex/identities.h"
#include "quorvex/machine_keys.h"

namespace quorvex {

// SHA-256's own strength: a shorter key would make the tags easier to guess than the hash.
inline constexpr std::size_t kFingerprintKeyMinBytes = 32;
// What a tag keeps of the HMAC: 128 bits, beyond any fleet's chance of two values meeting.
inline constexpr std::size_t kFingerprintTagBytes = 16;
// The first part of every tag's message; a later construction would name another.
inline constexpr std::string_view kFingerprintDomain = "quorvex-fingerprint-1";
// What a fingerprint document's "format" and "version" say.
inline constexpr std::string_view kFingerprintFormat = "quorvex-fingerprint";
inline constexpr int kFingerprintVersion = 1;
// Below this many components a fingerprint is weak: it matches only itself.
inline constexpr std::size_t kStrongFingerprintComponents = 2;
// The fewest components two strong fingerprints of one machine have in common.
inline constexpr std::size_t kLeastMatchedComponents = 2;

using FingerprintTag = std::array<std::uint8_t, kFingerprintTagBytes>;

// One usable identifier of the machine, as its kind and its tag.
struct FingerprintComponent {
  KeyKind kind = KeyKind::kGpuUuid;
  FingerprintTag tag{};
};

// The order of a fingerprint: kind, then tag (as bytes, which is the order
// of their hexadecimal text).
bool operator<(const FingerprintComponent& a, const FingerprintComponent& b);
bool operator==(const FingerprintComponent& a, const FingerprintComponent& b);

struct Fingerprint {
  // In that order, each once, as MachineFingerprint makes them and
  // ReadFingerprintDocument requires them.
  std::vector<FingerprintComponent> components;
};

bool operator==(const Fingerprint& a, const Fingerprint& b);

// Fewer than kStrongFingerprintComponents components.
bool IsWeak(const Fingerprint& fingerprint);

// Makes fingerprints under one key: the keyed hash is set up once and then
// serves any number of records, so a fleet costs its hashing and nothing
// more. One Fingerprinter is for one thread at a time.
class Fingerprinter {
 public:
  // Sets `fingerprinter` up under `key`, the application's secret bytes, or
  // leaves it empty and says why: a key shorter than kFingerprintKeyMinBytes
  // (saying how long it is), or the platform's cryptography failing.
  static std::optional<Failure> Create(std::string_view key,
                                       std::optional<Fingerprinter>& fingerprinter);

  Fingerprinter(Fingerprinter&&) noexcept;
  Fingerprinter& operator=(Fingerprinter&&) noexcept;
  Fingerprinter(const Fingerprinter&) = delete;
  Fingerprinter& operator=(const Fingerprinter&) = delete;
  ~Fingerprinter();

  // The fingerprint of machine keys (MachineKeys of a record) into
  // `fingerprint`, or why not (the platform's hash failed; this
  // Fingerprinter then makes no fingerprint again), leaving it as it was.
  std::optional<Failure> Of(const std::vector<MachineKey>& keys, Fingerprint& fingerprint);
  // The same of a record's keys.
  std::optional<Failure> Of(const Identities& identities, Fingerprint& fingerprint);

 private:
  struct Hash;
  explicit Fingerprinter(std::unique_ptr<Hash> hash) noexcept;

  std::unique_ptr<Hash> hash_;
};

// One record's fingerprint under `key`, for a program that makes one: a
// Fingerprinter made and dropped.
std::optional<Failure> MachineFingerprint(std::string_view key, const Identities& identities,
                                          Fingerprint& fingerprint);

// A tag as 32 lower-case hexadecimal digits.
std::string FingerprintTagText(const FingerprintTag& tag);

// The quorvex-fingerprint document, version 1 (docs/quorvex-fingerprint.schema.json),
// one line and a line end: {"format":"quorvex-fingerprint","version":1,
// "components":[{"kind":"drive-serial","tag":"…"},…]}. Its bytes depend on
// the fingerprint alone.
std::string FingerprintDocument(const Fingerprint& fingerprint);

// Reads a fingerprint document into `fingerprint`, or leaves it as it was
// and says why not, with the RFC 6901 pointer to what is wrong. Read in one
// pass with nlohmann/json's SAX interface, in time linear in the bytes, for
// documents from machines nobody here controls: members the format does not
// name are skipped, whatever they hold; refused are a member it names given
// twice, nesting deeper than 16 levels, a kind KeyKindNamed does not know, a
// tag that is not 32 lower-case hexadecimal digits, and components out of
// order or repeated, so that one fingerprint has one document.
std::optional<Failure> ReadFingerprintDocument(std::string_view document, Fingerprint& fingerprint);

// The same of a file; the failure names it. Refused unread: a file that is
// not a regular one once links are followed, or larger than 64 MiB.
std::optional<Failure> ReadFingerprintFile(const std::filesystem::path& file,
                                           Fingerprint& fingerprint);

// What a match found for one kind of component.
struct KindMatch {
  KeyKind kind = KeyKind::kGpuUuid;
  std::size_t matched = 0;  // in both
  std::size_t changed = 0;  // one gone and one new of this kind, counted as a pair
  std::size_t added = 0;    // new, beyond the pairs
  std::size_t removed = 0;  // gone, beyond the pairs
};

struct FingerprintMatch {
  // Whether the two are the same machine, by the rule of MatchFingerprints.
  bool same = false;
  // Whether either fingerprint is weak, so that only equal ones match.
  bool weak = false;
  std::size_t enrolledComponents = 0;
  std::size_t currentComponents = 0;
  // The sums of `kinds`.
  std::size_t matched = 0;
  std::size_t changed = 0;
  std::size_t added = 0;
  std::size_t removed = 0;
  // Each kind that either fingerprint holds, in KeyKind's order.
  std::vector<KindMatch> kinds;
};

// Whether `current` is the machine `enrolled` was taken of, and the counts
// that decided it; never a value. The rule: when both hold at least
// kStrongFingerprintComponents components, the same machine when at least
// kLeastMatchedComponents (2) components match and the matches are at least
// half of all the distinct components of the two (2 × matched ≥ matched +
// 2 × changed + added + removed). When either is weak, the same only when the
// two are equal and not empty: a machine with no usable identifier is
// nobody's, or it would be every such machine's.
//
// So an unchanged machine is always the same (but for one with no usable
// identifier); with three or more components enrolled, one component
// changed, added or removed (of any kind) leaves it the same; and two
// machines that share at most one component (a part moved from one to the
// other, or anything two machines share) are different.
// The fingerprints are taken as sets: their order and repeats do not count.
FingerprintMatch MatchFingerprints(const Fingerprint& enrolled, const Fingerprint& current);

}  // namespace quorvex

#include "quorvex/fingerprint.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "platform/keyed_hash.h"

namespace quorvex {
namespace {

// The byte between the message's parts: no kind's name holds it, so no two
// (kind, value) pairs make one message.
constexpr std::string_view kSeparator("\0", 1);

static_assert(kFingerprintTagBytes <= kHmacSha256Bytes, "a tag is a part of the HMAC");

std::string Bytes(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

constexpr std::size_t LongestKindName() {
  std::size_t longest = 0;
  for (const KeyKindInfo& info : kKeyKinds) longest = std::max(longest, info.name.size());
  return longest;
}

// The tag's 32 lower-case hexadecimal digits after `text`.
void AppendTag(std::string& text, const FingerprintTag& tag) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::size_t at = text.size();
  text.resize(at + 2 * tag.size());
  for (const std::uint8_t byte : tag) {
    text[at++] = kDigits[byte >> 4];
    text[at++] = kDigits[byte & 0x0F];
  }
}

}  // namespace

bool operator<(const FingerprintComponent& a, const FingerprintComponent& b) {
  return std::tie(a.kind, a.tag) < std::tie(b.kind, b.tag);
}

bool operator==(const FingerprintComponent& a, const FingerprintComponent& b) {
  return a.kind == b.kind && a.tag == b.tag;
}

bool operator==(const Fingerprint& a, const Fingerprint& b) { return a.components == b.components; }

bool IsWeak(const Fingerprint& fingerprint) {
  return fingerprint.components.size() < kStrongFingerprintComponents;
}

struct Fingerprinter::Hash {
  KeyedHash hash;
};

Fingerprinter::Fingerprinter(std::unique_ptr<Hash> hash) noexcept : hash_(std::move(hash)) {}
Fingerprinter::Fingerprinter(Fingerprinter&&) noexcept = default;
Fingerprinter& Fingerprinter::operator=(Fingerprinter&&) noexcept = default;
Fingerprinter::~Fingerprinter() = default;

std::optional<Failure> Fingerprinter::Create(std::string_view key,
                                             std::optional<Fingerprinter>& fingerprinter) {
  fingerprinter.reset();
  if (key.size() < kFingerprintKeyMinBytes) {
    return Failure{{},
                   std::nullopt,
                   "the key is " +
                       (key.empty() ? std::string("empty") : "only " + Bytes(key.size())) +
                       "; a fingerprint key needs at least " + Bytes(kFingerprintKeyMinBytes)};
  }
  std::optional<KeyedHash> hash;
  if (std::optional<std::string> problem = KeyedHash::Create(key, hash)) {
    return Failure{{}, std::nullopt, "the keyed hash cannot be set up: " + *problem};
  }
  fingerprinter.emplace(Fingerprinter(std::make_unique<Hash>(Hash{std::move(*hash)})));
  return std::nullopt;
}

std::optional<Failure> Fingerprinter::Of(const std::vector<MachineKey>& keys,
                                         Fingerprint& fingerprint) {
  Fingerprint made;
  made.components.reserve(keys.size());
  HmacSha256 mac{};
  for (const MachineKey& key : keys) {
    if (key.quality != KeyQuality::kUsable || !key.value) continue;
    const std::string value = ComparableKey(key.kind, *key.value);
    if (std::optional<std::string> problem = hash_->hash.Hmac(
            {kFingerprintDomain, kSeparator, KeyKindName(key.kind), kSeparator, value}, mac)) {
      return Failure{{}, std::nullopt, "the keyed hash failed: " + *problem};
    }
    FingerprintComponent& component = made.components.emplace_back();
    component.kind = key.kind;
    std::copy_n(mac.begin(), kFingerprintTagBytes, component.tag.begin());
  }
  // The same value twice on one machine (a GPU's UUID in its driver key and
  // its device key) is one component.
  auto& components = made.components;
  std::sort(components.begin(), components.end());
  components.erase(std::unique(components.begin(), components.end()), components.end());
  fingerprint = std::move(made);
  return std::nullopt;
}

std::optional<Failure> Fingerprinter::Of(const Identities& identities, Fingerprint& fingerprint) {
  return Of(MachineKeys(identities), fingerprint);
}

std::optional<Failure> MachineFingerprint(std::string_view key, const Identities& identities,
                                          Fingerprint& fingerprint) {
  std::optional<Fingerprinter> fingerprinter;
  if (std::optional<Failure> problem = Fingerprinter::Create(key, fingerprinter)) return problem;
  return fingerprinter->Of(identities, fingerprint);
}

std::string FingerprintTagText(const FingerprintTag& tag) {
  std::string text;
  AppendTag(text, tag);
  return text;
}

std::string FingerprintDocument(const Fingerprint& fingerprint) {
  constexpr std::string_view kOpen = "{\"kind\":\"";
  constexpr std::string_view kBetween = "\",\"tag\":\"";
  static const std::string head = "{\"format\":\"" + std::string(kFingerprintFormat) +
                                  "\",\"version\":" + std::to_string(kFingerprintVersion) +
                                  ",\"components\":[";
  std::string text;
  // A fleet's fingerprints are written by the hundred thousand: room for
  // the whole line at once, as if every kind's name were the longest.
  text.reserve(head.size() +
               fingerprint.components.size() * (kOpen.size() + LongestKindName() + kBetween.size() +
                                                2 * kFingerprintTagBytes + 3) +
               3);
  text += head;
  for (std::size_t i = 0; i < fingerprint.components.size(); ++i) {
    const FingerprintComponent& component = fingerprint.components[i];
    if (i > 0) text += ',';
    text += kOpen;
    text += KeyKindName(component.kind);
    text += kBetween;
    AppendTag(text, component.tag);
    text += "\"}";
  }
  text += "]}\n";
  return text;
}

}  // namespace quorvex

#include <algorithm>

#include "quorvex/fingerprint.h"

namespace quorvex {
namespace {

// The matches must be at least kLeastMatchedComponents, and at least this share of the distinct
// components of the two, as a fraction kShareNumerator / kShareDenominator: half.
constexpr std::size_t kShareNumerator = 1;
constexpr std::size_t kShareDenominator = 2;

// The components in order, each once: the fingerprint's own when they are
// (as the library makes and reads them), else a copy in `room` made so, since
// a caller's fingerprint may have been put together by hand.
const std::vector<FingerprintComponent>& AsSet(const Fingerprint& fingerprint,
                                               std::vector<FingerprintComponent>& room) {
  const std::vector<FingerprintComponent>& components = fingerprint.components;
  const auto notAfter = [](const FingerprintComponent& a, const FingerprintComponent& b) {
    return !(a < b);
  };
  if (std::adjacent_find(components.begin(), components.end(), notAfter) == components.end()) {
    return components;
  }
  room = components;
  std::sort(room.begin(), room.end());
  room.erase(std::unique(room.begin(), room.end()), room.end());
  return room;
}

// A kind's counts, the kind's entry added when it is the first of its kind.
KindMatch& EntryOf(KeyKind kind, std::vector<KindMatch>& kinds) {
  if (kinds.empty() || kinds.back().kind != kind) kinds.push_back(KindMatch{kind});
  return kinds.back();
}

// Walks the two ordered sets side by side: in both, only in the enrolled
// one, only in the current one.
std::vector<KindMatch> CountKinds(const std::vector<FingerprintComponent>& enrolled,
                                  const std::vector<FingerprintComponent>& current) {
  std::vector<KindMatch> kinds;
  auto e = enrolled.begin();
  auto c = current.begin();
  while (e != enrolled.end() || c != current.end()) {
    if (c == current.end() || (e != enrolled.end() && *e < *c)) {
      ++EntryOf((e++)->kind, kinds).removed;
    } else if (e == enrolled.end() || *c < *e) {
      ++EntryOf((c++)->kind, kinds).added;
    } else {
      ++EntryOf(e->kind, kinds).matched;
      ++e;
      ++c;
    }
  }
  // A part replaced is one gone and one new of its kind.
  for (KindMatch& kind : kinds) {
    kind.changed = std::min(kind.added, kind.removed);
    kind.added -= kind.changed;
    kind.removed -= kind.changed;
  }
  return kinds;
}

}  // namespace

FingerprintMatch MatchFingerprints(const Fingerprint& enrolled, const Fingerprint& current) {
  std::vector<FingerprintComponent> enrolledRoom, currentRoom;
  const std::vector<FingerprintComponent>& before = AsSet(enrolled, enrolledRoom);
  const std::vector<FingerprintComponent>& after = AsSet(current, currentRoom);
  FingerprintMatch match;
  match.enrolledComponents = before.size();
  match.currentComponents = after.size();
  match.kinds = CountKinds(before, after);
  for (const KindMatch& kind : match.kinds) {
    match.matched += kind.matched;
    match.changed += kind.changed;
    match.added += kind.added;
    match.removed += kind.removed;
  }
  match.weak =
      before.size() < kStrongFingerprintComponents || after.size() < kStrongFingerprintComponents;
  if (match.weak) {
    match.same = !before.empty() && before == after;
  } else {
    const std::size_t distinct = match.matched + 2 * match.changed + match.added + match.removed;
    match.same = match.matched >= kLeastMatchedComponents &&
                 kShareDenominator * match.matched >= kShareNumerator * distinct;
  }
  return match;
}

}  // namespace quorvex

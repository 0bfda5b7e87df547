#include <map>
#include <string>
#include <utility>
#include <vector>

#include "quorvex/machine_keys.h"

namespace quorvex {
namespace {

// Indexed by KeyChangeKind.
constexpr std::string_view kChangeNames[] = {"changed", "added", "removed"};

std::vector<const MachineKey*> KeysOfKind(const std::vector<MachineKey>& keys, KeyKind kind) {
  std::vector<const MachineKey*> found;
  for (const MachineKey& key : keys) {
    if (key.kind == kind) found.push_back(&key);
  }
  return found;
}

// What makes two values the same: an absent value is one of its own.
std::string SameAs(KeyKind kind, const MachineKey& key) {
  return key.value ? '+' + ComparableKey(kind, *key.value) : std::string("-");
}

// The keys at each value or place, in document order, the next one to take first.
template <class Index>
class Queues {
 public:
  void Add(Index index, std::size_t key) { queues_[std::move(index)].keys.push_back(key); }
  // The first key at `index` for which `free` holds, or kNone.
  template <class Free>
  std::size_t Take(const Index& index, Free free) {
    const auto found = queues_.find(index);
    if (found == queues_.end()) return kNone;
    Queue& queue = found->second;
    while (queue.next < queue.keys.size() && !free(queue.keys[queue.next])) ++queue.next;
    return queue.next < queue.keys.size() ? queue.keys[queue.next++] : kNone;
  }
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  struct Queue {
    std::vector<std::size_t> keys;
    std::size_t next = 0;
  };
  std::map<Index, Queue> queues_;
};

using Place = std::pair<std::int64_t, std::size_t>;

Place PlaceOf(const MachineKey& key) { return {key.place.number, key.place.item}; }

void DiffKind(KeyKind kind, const std::vector<const MachineKey*>& old,
              const std::vector<const MachineKey*>& now, KeyDiff& diff) {
  constexpr std::size_t kNone = Queues<Place>::kNone;
  std::vector<bool> taken(now.size(), false);
  const auto free = [&](std::size_t j) { return !taken[j]; };

  Queues<std::string> byValue;
  for (std::size_t j = 0; j < now.size(); ++j) byValue.Add(SameAs(kind, *now[j]), j);
  std::vector<bool> same(old.size(), false);
  for (std::size_t i = 0; i < old.size(); ++i) {
    const std::size_t j = byValue.Take(SameAs(kind, *old[i]), free);
    if (j == kNone) continue;
    taken[j] = same[i] = true;
    ++diff.unchanged;
  }

  Queues<Place> byPlace;
  for (std::size_t j = 0; j < now.size(); ++j) {
    if (!taken[j]) byPlace.Add(PlaceOf(*now[j]), j);
  }
  for (std::size_t i = 0; i < old.size(); ++i) {
    if (same[i]) continue;
    const std::size_t j = byPlace.Take(PlaceOf(*old[i]), free);
    if (j != kNone) taken[j] = true;
    KeyChange& change = diff.changes.emplace_back();
    change.kind = kind;
    change.before = *old[i];
    if (j == kNone) {
      change.change = KeyChangeKind::kRemoved;
    } else {
      change.after = *now[j];
    }
  }
  for (std::size_t j = 0; j < now.size(); ++j) {
    if (taken[j]) continue;
    KeyChange& change = diff.changes.emplace_back();
    change.kind = kind;
    change.change = KeyChangeKind::kAdded;
    change.after = *now[j];
  }
}

}  // namespace

std::string_view ChangeName(KeyChangeKind change) {
  return kChangeNames[static_cast<std::size_t>(change)];
}

KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after) {
  KeyDiff diff;
  for (const KeyKindInfo& info : kKeyKinds) {
    DiffKind(info.kind, KeysOfKind(before, info.kind), KeysOfKind(after, info.kind), diff);
  }
  return diff;
}

}  // namespace quorvex

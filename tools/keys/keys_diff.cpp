#include "keys/keys_diff.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "keys/document_keys.h"
#include "report/json_text.h"

namespace quorvex::keys {
namespace {

// Indexed by KeyChangeKind.
constexpr std::string_view kChangeNames[] = {"changed", "added", "removed"};

std::string_view ChangeName(KeyChangeKind change) {
  return kChangeNames[static_cast<std::size_t>(change)];
}

std::vector<const MachineKey*> KeysOfKind(const std::vector<MachineKey>& keys,
                                          const MachineKeyKind& kind) {
  std::vector<const MachineKey*> found;
  for (const MachineKey& key : keys) {
    if (key.kind == &kind) found.push_back(&key);
  }
  return found;
}

// What makes two values the same: an absent value is one of its own.
std::string SameAs(const MachineKeyKind& kind, const MachineKey& key) {
  return key.value ? '+' + ComparableKey(kind, *key.value) : std::string("-");
}

// The keys at each value or place, in document order, the next one to take first.
template <class Index>
class Queues {
 public:
  void Add(Index index, std::size_t key) { queues_[std::move(index)].keys.push_back(key); }
  // The first key at `index` for which `free` holds, or npos.
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

void DiffKind(const MachineKeyKind& kind, const std::vector<const MachineKey*>& old,
              const std::vector<const MachineKey*>& now, KeyDiff& diff) {
  constexpr std::size_t kNone = Queues<Place>::kNone;
  std::vector<std::size_t> partner(old.size(), kNone);
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
    diff.changes.push_back({&kind, j == kNone ? KeyChangeKind::kRemoved : KeyChangeKind::kChanged,
                            old[i], j == kNone ? nullptr : now[j]});
  }
  for (std::size_t j = 0; j < now.size(); ++j) {
    if (!taken[j]) diff.changes.push_back({&kind, KeyChangeKind::kAdded, nullptr, now[j]});
  }
}

// Where a change stands: the old key's place, or the new one's for an added key.
const MachineKey& PlacedBy(const KeyChange& change) {
  return change.before != nullptr ? *change.before : *change.after;
}

}  // namespace

KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after) {
  KeyDiff diff;
  for (const MachineKeyKind& kind : kMachineKeyKinds) {
    DiffKind(kind, KeysOfKind(before, kind), KeysOfKind(after, kind), diff);
  }
  return diff;
}

void WriteDiffText(const KeyDiff& diff, bool console, std::ostream& out) {
  std::vector<std::string> places;  // "drive 1"
  std::size_t placeWidth = 0, kindWidth = 0;
  for (const KeyChange& change : diff.changes) {
    places.push_back(KeyPlaceName(PlacedBy(change)));
    placeWidth = std::max(placeWidth, places.back().size());
    kindWidth = std::max(kindWidth, change.kind->name.size());
  }
  for (std::size_t i = 0; i < diff.changes.size(); ++i) {
    const KeyChange& change = diff.changes[i];
    const std::string_view name = ChangeName(change.change);
    out << places[i] << std::string(placeWidth - places[i].size() + 2, ' ') << change.kind->name
        << std::string(kindWidth - change.kind->name.size() + 2, ' ') << name
        << std::string(9 - name.size(), ' ');
    if (change.before != nullptr) out << ShownKeyValue(*change.before, console);
    if (change.before != nullptr && change.after != nullptr) out << " \xE2\x86\x92 ";  // U+2192
    if (change.after != nullptr) out << ShownKeyValue(*change.after, console);
    out << '\n';
  }
  out << diff.unchanged << (diff.unchanged == 1 ? " key" : " keys") << " unchanged\n";
}

void WriteDiffJson(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
                   std::ostream& out) {
  std::string text = "{\"format\":\"quorvex-diff\",\"version\":2,\"old\":";
  AppendJsonValue(text, oldName);
  text += ",\"new\":";
  AppendJsonValue(text, newName);
  text += ",\"changes\":[";
  for (std::size_t i = 0; i < diff.changes.size(); ++i) {
    const KeyChange& change = diff.changes[i];
    if (i > 0) text += ',';
    text += "{\"kind\":\"";
    text += change.kind->name;
    text += "\",\"change\":\"";
    text += ChangeName(change.change);
    text += '"';
    if (change.before != nullptr) {
      text += ",\"oldPointer\":\"";
      text += KeyPointer(*change.before);
      text += "\",\"old\":";
      AppendKeyValue(text, change.before->value);
    }
    if (change.after != nullptr) {
      text += ",\"newPointer\":\"";
      text += KeyPointer(*change.after);
      text += "\",\"new\":";
      AppendKeyValue(text, change.after->value);
    }
    text += '}';
  }
  text += "],\"unchanged\":";
  text += std::to_string(diff.unchanged);
  text += "}\n";
  out << text;
}

}  // namespace quorvex::keys

#include "keys/keys_diff.h"

#include <algorithm>
#include <iostream>

#include "report/json_text.h"
#include "report/log_line.h"

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

bool Same(const MachineKeyKind& kind, const KeyValue& a, const KeyValue& b) {
  if (!a.present || !b.present) return a.present == b.present;
  return ComparableKey(kind, a.bytes) == ComparableKey(kind, b.bytes);
}

}  // namespace

KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after) {
  KeyDiff diff;
  for (const MachineKeyKind& kind : kMachineKeyKinds) {
    const std::vector<const MachineKey*> old = KeysOfKind(before, kind);
    const std::vector<const MachineKey*> now = KeysOfKind(after, kind);
    for (std::size_t i = 0; i < std::max(old.size(), now.size()); ++i) {
      const MachineKey* a = i < old.size() ? old[i] : nullptr;
      const MachineKey* b = i < now.size() ? now[i] : nullptr;
      if (a != nullptr && b != nullptr && Same(kind, a->value, b->value)) {
        ++diff.unchanged;
        continue;
      }
      const KeyChangeKind change = a == nullptr   ? KeyChangeKind::kAdded
                                   : b == nullptr ? KeyChangeKind::kRemoved
                                                  : KeyChangeKind::kChanged;
      diff.changes.push_back({&kind, i, change, a, b});
    }
  }
  return diff;
}

void WriteDiffText(const KeyDiff& diff, std::ostream& out) {
  std::vector<std::string> places;  // "drive-serial 1"
  std::size_t width = 0;
  for (const KeyChange& change : diff.changes) {
    places.push_back(std::string(change.kind->name) + ' ' + std::to_string(change.ordinal));
    width = std::max(width, places.back().size());
  }
  for (std::size_t i = 0; i < diff.changes.size(); ++i) {
    const KeyChange& change = diff.changes[i];
    const std::string_view name = ChangeName(change.change);
    out << places[i] << std::string(width - places[i].size() + 2, ' ') << name
        << std::string(9 - name.size(), ' ');
    if (change.before != nullptr) out << ShownKeyValue(*change.before);
    if (change.before != nullptr && change.after != nullptr) out << " \xE2\x86\x92 ";  // U+2192
    if (change.after != nullptr) out << ShownKeyValue(*change.after);
    out << '\n';
  }
  out << diff.unchanged << (diff.unchanged == 1 ? " key" : " keys") << " unchanged\n";
}

void WriteDiffJson(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
                   std::ostream& out) {
  std::string text = "{\"format\":\"quorvex-diff\",\"version\":1,\"old\":";
  AppendJsonValue(text, oldName);
  text += ",\"new\":";
  AppendJsonValue(text, newName);
  text += ",\"changes\":[";
  for (std::size_t i = 0; i < diff.changes.size(); ++i) {
    const KeyChange& change = diff.changes[i];
    if (i > 0) text += ',';
    text += "{\"kind\":\"";
    text += change.kind->name;
    text += "\",\"ordinal\":";
    text += std::to_string(change.ordinal);
    text += ",\"change\":\"";
    text += ChangeName(change.change);
    text += '"';
    if (change.before != nullptr) {
      text += ",\"old\":";
      AppendKeyValue(text, change.before->value);
    }
    if (change.after != nullptr) {
      text += ",\"new\":";
      AppendKeyValue(text, change.after->value);
    }
    text += '}';
  }
  text += "],\"unchanged\":";
  text += std::to_string(diff.unchanged);
  text += "}\n";
  out << text;
}

int PrintDiff(const KeyDiff& diff, const std::string& oldName, const std::string& newName,
              bool json) {
  if (json) {
    WriteDiffJson(diff, oldName, newName, std::cout);
  } else {
    DecideConsoleOutput();
    WriteDiffText(diff, std::cout);
  }
  std::cout.flush();
  return diff.changes.empty() ? 0 : 1;
}

}  // namespace quorvex::keys

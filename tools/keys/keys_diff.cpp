#include "keys/keys_diff.h"

#include <algorithm>

#include "keys/key_values.h"
#include "report/json_text.h"

namespace quorvex::keys {
namespace {

// Where a change stands: the old key's place, or the new one's for an added key.
const MachineKey& PlacedBy(const KeyChange& change) {
  return change.before != nullptr ? *change.before : *change.after;
}

}  // namespace

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

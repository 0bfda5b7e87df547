#include "keys/keys_diff.h"

#include <algorithm>

#include "keys/key_values.h"
#include "report/json_text.h"

namespace quorvex::keys {
namespace {

// Where a change stands: the old key's place, or the new one's for an added key.
const MachineKey& PlacedBy(const KeyChange& change) {
  return change.before ? *change.before : *change.after;
}

}  // namespace

void WriteDiffText(const KeyDiff& diff, bool console, std::ostream& out) {
  std::vector<std::string> places;  // "drive 1"
  std::size_t placeWidth = 0, kindWidth = 0;
  for (const KeyChange& change : diff.changes) {
    places.push_back(KeyPlaceName(PlacedBy(change)));
    placeWidth = std::max(placeWidth, places.back().size());
    kindWidth = std::max(kindWidth, KeyKindName(change.kind).size());
  }
  for (std::size_t i = 0; i < diff.changes.size(); ++i) {
    const KeyChange& change = diff.changes[i];
    const std::string_view name = ChangeName(change.change);
    const std::string_view kind = KeyKindName(change.kind);
    out << places[i] << std::string(placeWidth - places[i].size() + 2, ' ') << kind
        << std::string(kindWidth - kind.size() + 2, ' ') << name
        << std::string(9 - name.size(), ' ');
    if (change.before) out << ShownKeyValue(*change.before, console);
    if (change.before && change.after) out << " \xE2\x86\x92 ";  // U+2192
    if (change.after) out << ShownKeyValue(*change.after, console);
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
    text += KeyKindName(change.kind);
    text += "\",\"change\":\"";
    text += ChangeName(change.change);
    text += '"';
    if (change.before) {
      text += ",\"oldPointer\":\"";
      text += KeyPointer(*change.before);
      text += "\",\"old\":";
      AppendKeyValue(text, change.before->value);
    }
    if (change.after) {
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

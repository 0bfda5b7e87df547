#include "keys/match_report.h"

#include <algorithm>
#include <utility>

#include "report/json_text.h"

namespace quorvex::keys {
namespace {

std::string Components(std::size_t count) {
  if (count == 0) return "no component";
  return std::to_string(count) + (count == 1 ? " component" : " components");
}

std::size_t Distinct(const FingerprintMatch& match) {
  return match.matched + 2 * match.changed + match.added + match.removed;
}

// Why a match with a weak fingerprint came out as it did.
std::string WeakVerdict(const FingerprintMatch& match) {
  if (match.same) {
    return "the fingerprints are equal; weak: " + Components(match.enrolledComponents) +
           ", so only an equal fingerprint matches";
  }
  const bool enrolledFewer = match.enrolledComponents <= match.currentComponents;
  const std::string which = enrolledFewer ? "the enrolled fingerprint" : "the current fingerprint";
  const std::size_t fewest = std::min(match.enrolledComponents, match.currentComponents);
  if (fewest == 0) {
    return which +
           " has no component: a machine with no usable identifier is recognised by nothing";
  }
  return "weak: " + which + " has " + Components(fewest) +
         ", and only an equal fingerprint matches";
}

// "1 matched, 1 changed": the counts that are not 0.
std::string Counts(const KindMatch& kind) {
  const std::pair<std::size_t, const char*> counts[] = {{kind.matched, "matched"},
                                                        {kind.changed, "changed"},
                                                        {kind.added, "added"},
                                                        {kind.removed, "removed"}};
  std::string text;
  for (const auto& [count, name] : counts) {
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(count) + " " + name;
  }
  return text;
}

void AppendCount(std::string& text, const char* name, std::size_t count) {
  text += ",\"";
  text += name;
  text += "\":";
  text += std::to_string(count);
}

}  // namespace

void WriteMatchText(const FingerprintMatch& match, std::ostream& out) {
  out << (match.same ? "same machine: " : "different machines: ");
  if (match.weak) {
    out << WeakVerdict(match);
  } else {
    out << match.matched << " of the " << Distinct(match) << " distinct components match";
    if (!match.same) {
      out << "; the same machine has at least " << kLeastMatchedComponents << ", and at least half";
    }
  }
  out << '\n';
  std::size_t width = 0;
  for (const KindMatch& kind : match.kinds) width = std::max(width, KeyKindName(kind.kind).size());
  for (const KindMatch& kind : match.kinds) {
    const std::string_view name = KeyKindName(kind.kind);
    out << "  " << name << std::string(width - name.size() + 2, ' ') << Counts(kind) << '\n';
  }
}

void WriteMatchJson(const FingerprintMatch& match, const std::string& enrolledName,
                    const std::string& currentName, std::ostream& out) {
  std::string text = "{\"format\":\"quorvex-match\",\"version\":1,\"enrolled\":";
  AppendJsonValue(text, enrolledName);
  text += ",\"current\":";
  AppendJsonValue(text, currentName);
  text += match.same ? ",\"same\":true" : ",\"same\":false";
  text += match.weak ? ",\"weak\":true" : ",\"weak\":false";
  AppendCount(text, "enrolledComponents", match.enrolledComponents);
  AppendCount(text, "currentComponents", match.currentComponents);
  AppendCount(text, "matched", match.matched);
  AppendCount(text, "changed", match.changed);
  AppendCount(text, "added", match.added);
  AppendCount(text, "removed", match.removed);
  text += ",\"kinds\":[";
  for (std::size_t i = 0; i < match.kinds.size(); ++i) {
    const KindMatch& kind = match.kinds[i];
    text += i > 0 ? ",{\"kind\":\"" : "{\"kind\":\"";
    text += KeyKindName(kind.kind);
    text += '"';
    AppendCount(text, "matched", kind.matched);
    AppendCount(text, "changed", kind.changed);
    AppendCount(text, "added", kind.added);
    AppendCount(text, "removed", kind.removed);
    text += '}';
  }
  text += "]}\n";
  out << text;
}

}  // namespace quorvex::keys

#include "keys/keys_report.h"

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <unordered_map>

#include "keys/key_values.h"
#include "report/json_text.h"

namespace quorvex::keys {
namespace {

constexpr std::size_t kNotShared = static_cast<std::size_t>(-1);

// One usable value of one kind, as compared: every capture that carries it.
struct SharedValue {
  const MachineKey* first = nullptr;  // where it was met first, as that capture writes it
  std::vector<std::size_t> captures;  // in argument order, each once
};

struct Sharing {
  std::vector<SharedValue> values;  // in order of first appearance
  // For each capture's each key, its entry in `values`; kNotShared for a
  // key that is not usable, which is compared with nothing.
  std::vector<std::vector<std::size_t>> valueOf;
};

Sharing FindSharing(const std::vector<CaptureKeys>& captures) {
  Sharing sharing;
  std::unordered_map<std::string, std::size_t> index;  // kind, NUL, comparable value
  for (std::size_t c = 0; c < captures.size(); ++c) {
    std::vector<std::size_t>& valueOf = sharing.valueOf.emplace_back();
    valueOf.reserve(captures[c].keys.size());
    for (const MachineKey& key : captures[c].keys) {
      if (key.quality != KeyQuality::kUsable) {
        valueOf.push_back(kNotShared);
        continue;
      }
      std::string compared(key.kind->name);
      compared += '\0';
      compared += ComparableKey(*key.kind, *key.value);
      const auto [found, added] = index.try_emplace(std::move(compared), sharing.values.size());
      if (added) sharing.values.push_back({&key, {}});
      std::vector<std::size_t>& carriers = sharing.values[found->second].captures;
      if (carriers.empty() || carriers.back() != c) carriers.push_back(c);
      valueOf.push_back(found->second);
    }
  }
  return sharing;
}

bool IsShared(const SharedValue& value) { return value.captures.size() >= 2; }

std::string Padded(std::string text, std::size_t width, bool right = false) {
  if (text.size() < width) text.insert(right ? 0 : text.size(), width - text.size(), ' ');
  return text;
}

void WriteCaptureTable(const CaptureKeys& capture, const std::vector<std::size_t>& valueOf,
                       const Sharing& sharing, bool console, std::ostream& out) {
  const auto usable = std::count_if(valueOf.begin(), valueOf.end(),
                                    [](std::size_t value) { return value != kNotShared; });
  out << Shown(capture.name, console) << ": ";
  if (capture.keys.empty()) {
    out << "no keys\n";
    return;
  }
  out << capture.keys.size() << (capture.keys.size() == 1 ? " key, " : " keys, ") << usable
      << " usable\n";

  struct Row {
    std::string kind, quality, shared, value;
  };
  std::vector<Row> rows = {{"kind", "quality", "shared", "value"}};
  for (std::size_t k = 0; k < capture.keys.size(); ++k) {
    const MachineKey& key = capture.keys[k];
    const std::string shared = valueOf[k] == kNotShared
                                   ? "-"
                                   : std::to_string(sharing.values[valueOf[k]].captures.size() - 1);
    rows.push_back({std::string(key.kind->name), std::string(QualityName(key.quality)), shared,
                    ShownKeyValue(key, console)});
  }
  std::size_t kindWidth = 0, qualityWidth = 0, sharedWidth = 0;
  for (const Row& row : rows) {
    kindWidth = std::max(kindWidth, row.kind.size());
    qualityWidth = std::max(qualityWidth, row.quality.size());
    sharedWidth = std::max(sharedWidth, row.shared.size());
  }
  for (const Row& row : rows) {
    out << "  " << Padded(row.kind, kindWidth) << "  " << Padded(row.quality, qualityWidth) << "  "
        << Padded(row.shared, sharedWidth, true) << "  " << row.value << '\n';
  }
}

void AppendKeyJson(std::string& out, const MachineKey& key) {
  out += "{\"kind\":\"";
  out += key.kind->name;
  out += "\",\"pointer\":\"";
  out += KeyPointer(key);
  out += "\",\"value\":";
  AppendKeyValue(out, key.value);
  out += ",\"quality\":\"";
  out += QualityName(key.quality);
  out += "\"}";
}

}  // namespace

void WriteKeysText(const std::vector<CaptureKeys>& captures, bool console, std::ostream& out) {
  const Sharing sharing = FindSharing(captures);
  for (std::size_t c = 0; c < captures.size(); ++c) {
    if (c > 0) out << '\n';
    WriteCaptureTable(captures[c], sharing.valueOf[c], sharing, console, out);
  }
  if (captures.size() < 2) return;  // one machine shares with none
  out << '\n';
  if (std::none_of(sharing.values.begin(), sharing.values.end(), IsShared)) {
    out << "No usable value is shared by two or more captures.\n";
    return;
  }
  std::size_t kindWidth = 0;
  for (const SharedValue& value : sharing.values) {
    if (IsShared(value)) kindWidth = std::max(kindWidth, value.first->kind->name.size());
  }
  out << "Shared by two or more captures:\n";
  for (const SharedValue& value : sharing.values) {
    if (!IsShared(value)) continue;
    out << "  " << Padded(std::string(value.first->kind->name), kindWidth) << "  "
        << ShownKeyValue(*value.first, console) << '\n';
    for (const std::size_t c : value.captures)
      out << "    " << Shown(captures[c].name, console) << '\n';
  }
}

void WriteKeysJson(const std::vector<CaptureKeys>& captures, std::ostream& out) {
  const Sharing sharing = FindSharing(captures);
  std::string text = "{\"format\":\"quorvex-keys\",\"version\":1,\"captures\":[";
  for (std::size_t c = 0; c < captures.size(); ++c) {
    if (c > 0) text += ',';
    text += "{\"capture\":";
    AppendJsonValue(text, captures[c].name);
    text += ",\"keys\":[";
    for (std::size_t k = 0; k < captures[c].keys.size(); ++k) {
      if (k > 0) text += ',';
      AppendKeyJson(text, captures[c].keys[k]);
    }
    text += "]}";
    // Written capture by capture, so the text never holds more than one.
    out << text;
    text.clear();
  }
  text += "],\"shared\":[";
  bool first = true;
  for (const SharedValue& value : sharing.values) {
    if (!IsShared(value)) continue;
    if (!first) text += ',';
    first = false;
    text += "{\"kind\":\"";
    text += value.first->kind->name;
    text += "\",\"value\":";
    AppendKeyValue(text, value.first->value);
    text += ",\"captures\":[";
    for (std::size_t i = 0; i < value.captures.size(); ++i) {
      if (i > 0) text += ',';
      AppendJsonValue(text, captures[value.captures[i]].name);
    }
    text += "]}";
  }
  text += "]}\n";
  out << text;
}

}  // namespace quorvex::keys

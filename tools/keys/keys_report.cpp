#include "keys/keys_report.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <utility>
#include <vector>

#include "keys/key_values.h"
#include "report/json_text.h"

namespace quorvex::keys {
namespace {

constexpr std::size_t kNotShared = static_cast<std::size_t>(-1);

// One usable value of one kind, as compared: every capture that carries it.
// Most values are one machine's, so the others are kept apart, and cost
// nothing until there is one.
struct SharedValue {
  const MachineKey* first = nullptr;  // where it was met first, as that capture writes it
  std::size_t firstCapture = 0;
  std::vector<std::size_t> others;  // the captures after the first, in argument order, each once
  std::size_t Carriers() const { return 1 + others.size(); }
  std::size_t LastCapture() const { return others.empty() ? firstCapture : others.back(); }
};

bool IsShared(const SharedValue& value) { return !value.others.empty(); }

struct Sharing {
  std::vector<SharedValue> values;  // in order of first appearance
  // For every key of every capture, in order, its entry in `values`;
  // kNotShared for a key that is not usable, which is compared with nothing.
  std::vector<std::size_t> valueOf;
  std::vector<std::size_t> firstKeyOf;  // where each capture's keys begin in valueOf
};

// The usable values met so far, found by their hash: open addressing in one
// array, so that a fleet of a hundred thousand machines costs one look a key
// rather than a walk through a node, a bucket and a string.
class ValueIndex {
 public:
  // The entry of `key`'s value in `values`, added at the end when new.
  std::size_t Find(const MachineKey& key, std::vector<SharedValue>& values) {
    if (2 * (values.size() + 1) > slots_.size()) Grow();
    const std::uint64_t hash = HashOf(key);
    for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      Slot& slot = slots_[at];
      if (slot.value == 0) {
        slot = {hash, values.size() + 1};
        values.push_back({&key, 0, {}});
        return values.size() - 1;
      }
      const MachineKey& met = *values[slot.value - 1].first;
      if (slot.hash == hash && met.kind == key.kind &&
          SameKeyValue(key.kind, *met.value, *key.value)) {
        return slot.value - 1;
      }
    }
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t value = 0;  // its entry in the values, from 1; 0 for an empty slot
  };

  static std::uint64_t HashOf(const MachineKey& key) {
    // The kinds differ in their table row; the value's hash mixes it in.
    const auto kind = static_cast<std::uint64_t>(key.kind);
    return KeyValueHash(key.kind, *key.value) ^ (kind * 0x9E3779B97F4A7C15u);
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : 2 * old.size(), Slot{});
    for (const Slot& slot : old) {
      if (slot.value == 0) continue;
      std::size_t at = slot.hash & (slots_.size() - 1);
      while (slots_[at].value != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = slot;
    }
  }

  std::vector<Slot> slots_;
};

Sharing FindSharing(const std::vector<CaptureKeys>& captures) {
  Sharing sharing;
  ValueIndex index;
  for (std::size_t c = 0; c < captures.size(); ++c) {
    sharing.firstKeyOf.push_back(sharing.valueOf.size());
    for (const MachineKey& key : captures[c].keys) {
      if (key.quality != KeyQuality::kUsable) {
        sharing.valueOf.push_back(kNotShared);
        continue;
      }
      const std::size_t found = index.Find(key, sharing.values);
      SharedValue& value = sharing.values[found];
      if (value.first == &key) {
        value.firstCapture = c;
      } else if (value.LastCapture() != c) {
        value.others.push_back(c);
      }
      sharing.valueOf.push_back(found);
    }
  }
  return sharing;
}

std::string Padded(std::string text, std::size_t width, bool right = false) {
  if (text.size() < width) text.insert(right ? 0 : text.size(), width - text.size(), ' ');
  return text;
}

void WriteCaptureTable(const CaptureKeys& capture, const std::size_t* valueOf,
                       const Sharing& sharing, bool console, std::ostream& out) {
  const auto usable = std::count_if(valueOf, valueOf + capture.keys.size(),
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
    const std::string shared =
        valueOf[k] == kNotShared ? "-" : std::to_string(sharing.values[valueOf[k]].Carriers() - 1);
    rows.push_back({std::string(KeyKindName(key.kind)), std::string(QualityName(key.quality)),
                    shared, ShownKeyValue(key, console)});
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
  out += KeyKindName(key.kind);
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
    WriteCaptureTable(captures[c], sharing.valueOf.data() + sharing.firstKeyOf[c], sharing, console,
                      out);
  }
  if (captures.size() < 2) return;  // one machine shares with none
  out << '\n';
  if (std::none_of(sharing.values.begin(), sharing.values.end(), IsShared)) {
    out << "No usable value is shared by two or more captures.\n";
    return;
  }
  std::size_t kindWidth = 0;
  for (const SharedValue& value : sharing.values) {
    if (IsShared(value)) kindWidth = std::max(kindWidth, KeyKindName(value.first->kind).size());
  }
  out << "Shared by two or more captures:\n";
  for (const SharedValue& value : sharing.values) {
    if (!IsShared(value)) continue;
    out << "  " << Padded(std::string(KeyKindName(value.first->kind)), kindWidth) << "  "
        << ShownKeyValue(*value.first, console) << '\n';
    out << "    " << Shown(captures[value.firstCapture].name, console) << '\n';
    for (const std::size_t c : value.others)
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
    text += KeyKindName(value.first->kind);
    text += "\",\"value\":";
    AppendKeyValue(text, value.first->value);
    text += ",\"captures\":[";
    AppendJsonValue(text, captures[value.firstCapture].name);
    for (const std::size_t c : value.others) AppendJsonValue(text += ',', captures[c].name);
    text += "]}";
  }
  text += "]}\n";
  out << text;
}

}  // namespace quorvex::keys

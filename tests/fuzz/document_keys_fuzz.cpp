// Any bytes read as an identities document: the one-pass reader finds exactly
// the keys that a walk of nlohmann's tree finds by the same rules, and
// refuses what the tree parser refuses. A hostile file must not trip the
// sanitizers or run anything out of stack.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "keys/document_keys.h"

namespace {

using Json = nlohmann::ordered_json;
using quorvex::MachineKey;
using quorvex::MachineKeyKind;

struct Refused {};

std::size_t Depth(const Json& value) {
  std::size_t deepest = 0;
  if (value.is_structured()) {
    for (const Json& inner : value) deepest = std::max(deepest, Depth(inner));
    ++deepest;
  }
  return deepest;
}

const Json& Need(const Json& object, const char* name) {
  if (!object.is_object() || !object.contains(name)) throw Refused{};
  return object.at(name);
}

const Json& NeedArray(const Json& object, const char* name) {
  const Json& array = Need(object, name);
  if (!array.is_array()) throw Refused{};
  return array;
}

std::int64_t Whole(const Json& value) {
  if (!value.is_number_integer()) throw Refused{};
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      throw Refused{};
    }
    return static_cast<std::int64_t>(number);
  }
  const auto number = value.get<std::int64_t>();
  if (number < 0 || number > std::numeric_limits<std::int32_t>::max()) throw Refused{};
  return number;
}

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Value(const Json& value, bool nullable) {
  if (nullable && value.is_null()) return std::nullopt;
  if (value.is_string()) return value.get<std::string>();
  if (!value.is_object() || value.size() != 1 || !value.contains("hex")) throw Refused{};
  const Json& hex = value.at("hex");
  if (!hex.is_string()) throw Refused{};
  const auto& digits = hex.get_ref<const std::string&>();
  if (digits.empty() || digits.size() % 2 != 0) throw Refused{};
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    if (Digit(digits[i]) < 0 || Digit(digits[i + 1]) < 0) throw Refused{};
    bytes += static_cast<char>(Digit(digits[i]) * 16 + Digit(digits[i + 1]));
  }
  return bytes;
}

MachineKey Key(const MachineKeyKind& kind, std::optional<std::string> value, std::size_t element,
               std::size_t item, std::int64_t number) {
  const quorvex::KeyQuality quality = quorvex::JudgeKey(kind, value);
  return {&kind, std::move(value), quality, {element, item, number}};
}

// The reader's rules, walked over the tree: the format's members where they
// are read, everything else ignored.
std::vector<MachineKey> TreeKeys(const Json& root) {
  if (!root.is_object() || Depth(root) > 16) throw Refused{};
  if (Need(root, "format") != "quorvex-identities") throw Refused{};
  const std::int64_t version = Whole(Need(root, "version"));
  if (version != 1 && version != 2) throw Refused{};
  std::vector<MachineKey> keys;
  const Json& adapters = NeedArray(Need(root, "nvidia"), "adapters");
  for (std::size_t a = 0; a < adapters.size(); ++a) {
    const std::int64_t index = Whole(Need(adapters[a], "index"));
    const Json& uuids = NeedArray(adapters[a], "uuids");
    for (std::size_t u = 0; u < uuids.size(); ++u) {
      keys.push_back(
          Key(*quorvex::MachineKeyAt("adapter", "uuids"), Value(uuids[u], false), a, u, index));
    }
  }
  const Json& drives = NeedArray(root, "drives");
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const std::int64_t number = Whole(Need(drives[d], "number"));
    keys.push_back(Key(*quorvex::MachineKeyAt("drive", "serialNumber"),
                       Value(Need(drives[d], "serialNumber"), true), d, 0, number));
  }
  const Json& smbios = Need(root, "smbios");
  const Json& failed = Need(smbios, "fetchFailed");
  if (!failed.is_boolean()) throw Refused{};
  if (!failed.get<bool>() || smbios.contains("structures")) {
    const Json& structures = NeedArray(smbios, "structures");
    std::vector<MachineKey> found;
    std::size_t ordinals[std::size(quorvex::kMachineKeyKinds)] = {};
    for (std::size_t s = 0; s < structures.size(); ++s) {
      const Json& kind = Need(structures[s], "kind");
      if (!kind.is_string()) throw Refused{};
      for (const auto& [name, field] : structures[s].items()) {
        if (name != "serialNumber" && name != "uuid" && name != "assetTagNumber") continue;
        std::optional<std::string> value = Value(field, true);
        if (const MachineKeyKind* key = quorvex::MachineKeyAt(kind.get<std::string>(), name)) {
          const auto ordinal =
              ordinals[static_cast<std::size_t>(key - quorvex::kMachineKeyKinds)]++;
          found.push_back(Key(*key, std::move(value), s, 0, static_cast<std::int64_t>(ordinal)));
        }
      }
    }
    if (!failed.get<bool>()) keys.insert(keys.end(), found.begin(), found.end());
  }
  return keys;
}

// Whether some object names a member twice, which the tree keeps once and
// the reader refuses where the format reads it.
bool NamesTwice(std::string_view document) {
  std::vector<std::set<std::string>> names;
  bool twice = false;
  Json::parser_callback_t note = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) names.emplace_back();
    if (event == Json::parse_event_t::object_end && !names.empty()) names.pop_back();
    if (event == Json::parse_event_t::key && !names.empty()) {
      twice = twice || !names.back().insert(parsed.get<std::string>()).second;
    }
    return true;
  };
  (void)Json::parse(document.begin(), document.end(), note, false);
  return twice;
}

bool Same(const std::vector<MachineKey>& a, const std::vector<MachineKey>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].value != b[i].value || a[i].quality != b[i].quality ||
        a[i].place.element != b[i].place.element || a[i].place.item != b[i].place.item ||
        a[i].place.number != b[i].place.number) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  std::vector<MachineKey> keys;
  const auto problem = quorvex::keys::ReadMachineKeys(document, keys);
  if (problem && problem->empty()) __builtin_trap();

  const bool utf16 =
      size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
  const Json tree = utf16 ? Json() : Json::parse(document.begin(), document.end(), nullptr, false);
  if (utf16 || tree.is_discarded()) {
    if (!problem) __builtin_trap();  // what the tree parser refuses, the reader refuses
    return 0;
  }
  if (Depth(tree) <= 16 && NamesTwice(document)) return 0;
  std::optional<std::vector<MachineKey>> walked;
  try {
    walked = TreeKeys(tree);
  } catch (const Refused&) {
  }
  if (walked.has_value() == problem.has_value()) __builtin_trap();
  if (walked && !Same(*walked, keys)) __builtin_trap();
  return 0;
}

// Any bytes read as an identities document: the one-pass reader fills
// exactly the record that a walk of nlohmann's tree fills by the same rules,
// and refuses what the tree parser refuses; what it reads, written again and
// read back, is the same record. A hostile file must not trip the sanitizers
// or run anything out of stack.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/documents.h"
#include "quorvex/identities.h"
#include "smbios/smbios_decoders.h"

namespace {

using Json = nlohmann::ordered_json;
using quorvex::Identities;

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

bool Flag(const Json& value) {
  if (!value.is_boolean()) throw Refused{};
  return value.get<bool>();
}

std::uint64_t Whole(const Json& value, std::uint64_t most) {
  if (!value.is_number_integer()) throw Refused{};
  if (!value.is_number_unsigned() && value.get<std::int64_t>() < 0) throw Refused{};
  const auto number = value.get<std::uint64_t>();
  if (number > most) throw Refused{};
  return number;
}

constexpr std::uint64_t kInt32 = std::numeric_limits<std::int32_t>::max();

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

// Every field name the format has, of any kind.
const std::set<std::string> kFieldNames = {"vendor",
                                           "version",
                                           "releaseDate",
                                           "manufacturer",
                                           "productName",
                                           "serialNumber",
                                           "uuid",
                                           "product",
                                           "assetTagNumber",
                                           "socketDesignation",
                                           "processorManufacture",
                                           "processorVersion",
                                           "assetTag",
                                           "partNumber",
                                           "deviceLocator",
                                           "bankLocator"};

// The reader's rules, walked over the tree: every member the format names
// where it names it, everything else ignored.
Identities TreeRecord(const Json& root) {
  if (!root.is_object() || Depth(root) > 16) throw Refused{};
  if (Need(root, "format") != "quorvex-identities") throw Refused{};
  const std::uint64_t version = Whole(Need(root, "version"), kInt32);
  if (version != 1 && version != 2) throw Refused{};
  Identities record;
  const Json& nvidia = Need(root, "nvidia");
  record.nvidia.adaptersListed = Flag(Need(nvidia, "adaptersListed"));
  for (const Json& a : NeedArray(nvidia, "adapters")) {
    Identities::Adapter& adapter = record.nvidia.adapters.emplace_back();
    adapter.index = static_cast<std::int32_t>(Whole(Need(a, "index"), kInt32));
    for (const Json& uuid : NeedArray(a, "uuids")) adapter.uuids.push_back(*Value(uuid, false));
    adapter.name = *Value(Need(a, "name"), false);
    adapter.deviceId = *Value(Need(a, "deviceId"), false);
  }
  for (const Json& d : NeedArray(root, "drives")) {
    Identities::Drive& drive = record.drives.emplace_back();
    drive.number = static_cast<std::int32_t>(Whole(Need(d, "number"), kInt32));
    drive.serialNumber = Value(Need(d, "serialNumber"), true);
    drive.model = Value(Need(d, "model"), true);
    drive.firmware = Value(Need(d, "firmware"), true);
  }
  const Json& smbios = Need(root, "smbios");
  const bool failed = Flag(Need(smbios, "fetchFailed"));
  Identities::Smbios table;
  if (!failed || smbios.contains("tableSize")) {
    table.tableSize = static_cast<std::uint32_t>(Whole(Need(smbios, "tableSize"), 0xFFFFFFFFu));
  }
  if (!failed || smbios.contains("endOfTable")) table.endOfTable = Flag(Need(smbios, "endOfTable"));
  if (!failed || smbios.contains("structures")) {
    for (const Json& s : NeedArray(smbios, "structures")) {
      Identities::Structure& structure = table.structures.emplace_back();
      const Json& kind = Need(s, "kind");
      if (!kind.is_string()) throw Refused{};
      structure.kind = kind.get<std::string>();
      for (const auto& [name, field] : s.items()) {
        if (kFieldNames.count(name) == 0) continue;
        std::optional<std::string> value = Value(field, true);
        if (quorvex::IsDecodedField(structure.kind, name)) {
          structure.fields.push_back({name, std::move(value)});
        }
      }
    }
  }
  table.fetchFailed = false;
  if (!failed) record.smbios = std::move(table);
  return record;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  Identities read;
  const auto refusal = quorvex::ReadIdentitiesDocument(document, read);
  if (refusal && quorvex::FailureMessage(*refusal).empty()) __builtin_trap();
  if (!refusal) {
    // The one writer and the one reader agree: what was read comes back whole.
    const std::string written = quorvex::IdentitiesDocument(read);
    Identities again;
    if (quorvex::ReadIdentitiesDocument(written, again) ||
        quorvex::IdentitiesDocument(again) != written) {
      __builtin_trap();
    }
  }

  const bool utf16 =
      size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
  const Json tree = utf16 ? Json() : Json::parse(document.begin(), document.end(), nullptr, false);
  if (utf16 || tree.is_discarded()) {
    if (!refusal) __builtin_trap();  // what the tree parser refuses, the reader refuses
    return 0;
  }
  if (Depth(tree) <= 16 && NamesTwice(document)) return 0;
  std::optional<Identities> walked;
  try {
    walked = TreeRecord(tree);
  } catch (const Refused&) {
  }
  if (walked.has_value() == refusal.has_value()) __builtin_trap();
  if (walked && quorvex::IdentitiesDocument(*walked) != quorvex::IdentitiesDocument(read)) {
    __builtin_trap();
  }
  return 0;
}

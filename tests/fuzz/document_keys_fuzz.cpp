// Any bytes, read as an identities document and made into a record. What is
// JSON at all is what nlohmann's tree parser takes. What the reader reads,
// the writer writes, and that reads back into the same record and is written
// again byte for byte. The same document with every object's members in the
// opposite order, which is what a member order the reader must not depend on
// looks like, gets the same verdict and the same record but for the order of
// a structure's fields. A record made of the bytes, as a program might hand
// one over, is refused by the writer or read back as it was written. A
// hostile file must not trip the sanitizers or run anything out of stack.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "quorvex/documents.h"
#include "quorvex/identities.h"

namespace quorvex {

bool operator==(const Identities::Field& a, const Identities::Field& b) {
  return std::tie(a.name, a.value) == std::tie(b.name, b.value);
}
bool operator==(const Identities::Structure& a, const Identities::Structure& b) {
  return std::tie(a.kind, a.fields) == std::tie(b.kind, b.fields);
}
bool operator==(const Identities::Drive& a, const Identities::Drive& b) {
  return std::tie(a.number, a.serialNumber, a.model, a.firmware) ==
         std::tie(b.number, b.serialNumber, b.model, b.firmware);
}
bool operator==(const Identities::Adapter& a, const Identities::Adapter& b) {
  return std::tie(a.index, a.uuids, a.name, a.deviceId) ==
         std::tie(b.index, b.uuids, b.name, b.deviceId);
}
bool operator==(const Identities& a, const Identities& b) {
  return std::tie(a.nvidia.adaptersListed, a.nvidia.adapters, a.drives, a.smbios.fetchFailed,
                  a.smbios.tableSize, a.smbios.structures, a.smbios.endOfTable) ==
         std::tie(b.nvidia.adaptersListed, b.nvidia.adapters, b.drives, b.smbios.fetchFailed,
                  b.smbios.tableSize, b.smbios.structures, b.smbios.endOfTable);
}

}  // namespace quorvex

namespace {

using Json = nlohmann::ordered_json;
using quorvex::Identities;

std::size_t Depth(const Json& value) {
  std::size_t deepest = 0;
  if (value.is_structured()) {
    for (const Json& inner : value) deepest = std::max(deepest, Depth(inner));
    ++deepest;
  }
  return deepest;
}

// The tree of `document`, discarded when it is no JSON, and whether some
// object names a member twice, which the tree keeps once and the reader
// refuses where the format reads it.
Json TreeOf(std::string_view document, bool& twice) {
  std::vector<std::set<std::string>> names;
  Json::parser_callback_t note = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) names.emplace_back();
    if (event == Json::parse_event_t::object_end && !names.empty()) names.pop_back();
    if (event == Json::parse_event_t::key && !names.empty()) {
      twice = twice || !names.back().insert(parsed.get<std::string>()).second;
    }
    return true;
  };
  return Json::parse(document.begin(), document.end(), note, false);
}

Json Reversed(const Json& value) {
  if (value.is_array()) {
    Json array = Json::array();
    for (const Json& element : value) array.push_back(Reversed(element));
    return array;
  }
  if (!value.is_object()) return value;
  Json object = Json::object();
  const auto items = value.items();
  std::vector<std::pair<std::string, const Json*>> members;
  for (const auto& item : items) members.emplace_back(item.key(), &item.value());
  for (auto m = members.rbegin(); m != members.rend(); ++m) object[m->first] = Reversed(*m->second);
  return object;
}

Identities FieldsByName(Identities record) {
  for (Identities::Structure& structure : record.smbios.structures) {
    std::sort(structure.fields.begin(), structure.fields.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
  }
  return record;
}

// Written, read back and written again: the same record, the same bytes.
void RoundTrip(const Identities& record) {
  std::string written;
  if (quorvex::IdentitiesDocument(record, written)) __builtin_trap();
  Identities again;
  std::string rewritten;
  if (quorvex::ReadIdentitiesDocument(written, again) || !(again == record) ||
      quorvex::IdentitiesDocument(again, rewritten) || rewritten != written) {
    __builtin_trap();
  }
}

// A text, now and then not read.
std::optional<std::string> Text(FuzzedDataProvider& bytes) {
  if (bytes.ConsumeIntegralInRange(0, 7) == 0) return std::nullopt;
  return bytes.ConsumeRandomLengthString(12);
}

// A structure's field name: mostly one its kind has, now and then one of
// another kind, "kind", or any bytes at all.
std::string NameFrom(FuzzedDataProvider& bytes, std::string_view known) {
  const quorvex::StructureShape& other =
      quorvex::kStructureShapes[bytes.ConsumeIntegralInRange<std::size_t>(
          0, quorvex::kStructureShapes.size() - 1)];
  switch (bytes.ConsumeIntegralInRange(0, 15)) {
    case 0:
      return "kind";
    case 1:
      return bytes.ConsumeRandomLengthString(8);
    case 2:
      return std::string(other.fields[other.fieldCount - 1].name);
    default:
      return std::string(known);
  }
}

Identities::Structure StructureFrom(FuzzedDataProvider& bytes) {
  const quorvex::StructureShape& shape =
      quorvex::kStructureShapes[bytes.ConsumeIntegralInRange<std::size_t>(
          0, quorvex::kStructureShapes.size() - 1)];
  Identities::Structure structure;
  structure.kind = bytes.ConsumeIntegralInRange(0, 15) == 0 ? bytes.ConsumeRandomLengthString(8)
                                                            : std::string(shape.kind);
  for (std::size_t f = 0; f < shape.fieldCount; ++f) {
    const int take = bytes.ConsumeIntegralInRange(0, 9);
    const int copies = take == 0 ? 0 : take == 1 ? 2 : 1;  // left out, given twice, or once
    for (int copy = 0; copy < copies; ++copy) {
      structure.fields.push_back({NameFrom(bytes, shape.fields[f].name), Text(bytes)});
    }
  }
  return structure;
}

// A record as a program might hand one over, whether or not a machine could give it.
Identities RecordFrom(FuzzedDataProvider& bytes) {
  Identities record;
  record.nvidia.adaptersListed = bytes.ConsumeBool();
  for (int a = bytes.ConsumeIntegralInRange(0, 2); a > 0; --a) {
    Identities::Adapter& adapter = record.nvidia.adapters.emplace_back();
    adapter.index = bytes.ConsumeIntegralInRange<std::int32_t>(-1, 3);
    for (int u = bytes.ConsumeIntegralInRange(0, 2); u > 0; --u) {
      adapter.uuids.push_back(bytes.ConsumeRandomLengthString(12));
    }
    adapter.name = bytes.ConsumeRandomLengthString(12);
    adapter.deviceId = bytes.ConsumeRandomLengthString(12);
  }
  for (int d = bytes.ConsumeIntegralInRange(0, 2); d > 0; --d) {
    record.drives.push_back(
        {bytes.ConsumeIntegralInRange<std::int32_t>(-1, 8), Text(bytes), Text(bytes), Text(bytes)});
  }
  Identities::Smbios& smbios = record.smbios;
  smbios.fetchFailed = bytes.ConsumeIntegralInRange(0, 3) == 0;
  smbios.tableSize = bytes.ConsumeBool() ? 0 : bytes.ConsumeIntegral<std::uint32_t>();
  for (int s = bytes.ConsumeIntegralInRange(0, 3); s > 0; --s) {
    smbios.structures.push_back(StructureFrom(bytes));
  }
  smbios.endOfTable = bytes.ConsumeBool();
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  Identities read;
  const auto refusal = quorvex::ReadIdentitiesDocument(document, read);
  if (refusal && quorvex::FailureMessage(*refusal).empty()) __builtin_trap();
  if (!refusal) RoundTrip(read);

  const bool utf16 =
      size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
  bool twice = false;
  const Json tree = utf16 ? Json() : TreeOf(document, twice);
  if (utf16 || tree.is_discarded()) {
    if (!refusal) __builtin_trap();  // what the tree parser refuses, the reader refuses
  } else if (!twice && Depth(tree) <= 16) {
    const std::string reversed = Reversed(tree).dump();
    Identities readReversed;
    const auto reversedRefusal = quorvex::ReadIdentitiesDocument(reversed, readReversed);
    if (reversedRefusal.has_value() != refusal.has_value()) __builtin_trap();
    if (!refusal && !(FieldsByName(readReversed) == FieldsByName(read))) __builtin_trap();
  }

  FuzzedDataProvider bytes(data, size);
  const Identities made = RecordFrom(bytes);
  std::string written;
  if (const auto refused = quorvex::IdentitiesDocument(made, written)) {
    if (!refused->pointer || refused->reason.empty() || !written.empty()) __builtin_trap();
  } else {
    RoundTrip(made);
  }
  return 0;
}

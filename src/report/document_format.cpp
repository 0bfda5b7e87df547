#include "report/document_format.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <utility>

#include "quorvex/collectors.h"
#include "quorvex/machine_keys.h"

namespace quorvex::document_format {
namespace {

constexpr Place Of(Type type, std::string_view path, Fill fill = nullptr) {
  Place place;
  place.path = path;
  place.type = type;
  place.fill = fill;
  return place;
}
constexpr Place Object(std::string_view path, Fill start = nullptr) {
  return Of(Type::kObject, path, start);
}
constexpr Place Structure(std::string_view path, Fill start) {
  return Of(Type::kStructure, path, start);
}
constexpr Place Array(std::string_view path) { return Of(Type::kArray, path); }
constexpr Place Flag(std::string_view path, Fill fill) { return Of(Type::kFlag, path, fill); }
constexpr Place Whole(std::string_view path, std::uint64_t least, std::uint64_t most, Fill fill) {
  Place place = Of(Type::kWhole, path, fill);
  place.least = least;
  place.most = most;
  return place;
}
constexpr Place Text(std::string_view path, bool (*accepts)(std::string_view),
                     std::string_view refusal, Fill fill = nullptr) {
  Place place = Of(Type::kText, path, fill);
  place.accepts = accepts;
  place.refusal = refusal;
  return place;
}
constexpr Place Value(std::string_view path, Fill fill) { return Of(Type::kValue, path, fill); }
constexpr Place NullableValue(std::string_view path, Fill fill = nullptr) {
  return Of(Type::kNullableValue, path, fill);
}

constexpr std::uint64_t kInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::uint64_t kUint32 = std::numeric_limits<std::uint32_t>::max();

// Where each value goes in the record. An element of an array is in the
// record from its start on, so its members go to the last one.
Identities::Adapter& LastAdapter(Reading& r) { return r.record.nvidia.adapters.back(); }
Identities::Drive& LastDrive(Reading& r) { return r.record.drives.back(); }
Identities::Structure& LastStructure(Reading& r) { return r.record.smbios.structures.back(); }

void Version(Reading& r, Scalar& v) { r.version = v.whole; }
void AdaptersListed(Reading& r, Scalar& v) { r.record.nvidia.adaptersListed = v.flag; }
void NewAdapter(Reading& r, Scalar& /*v*/) { r.record.nvidia.adapters.emplace_back(); }
void AdapterIndex(Reading& r, Scalar& v) {
  LastAdapter(r).index = static_cast<std::int32_t>(v.whole);
}
void AdapterUuid(Reading& r, Scalar& v) { LastAdapter(r).uuids.push_back(std::move(*v.bytes)); }
void AdapterName(Reading& r, Scalar& v) { LastAdapter(r).name = std::move(*v.bytes); }
void AdapterDeviceId(Reading& r, Scalar& v) { LastAdapter(r).deviceId = std::move(*v.bytes); }
void NewDrive(Reading& r, Scalar& /*v*/) { r.record.drives.emplace_back(); }
void DriveNumber(Reading& r, Scalar& v) {
  LastDrive(r).number = static_cast<std::int32_t>(v.whole);
}
void DriveSerialNumber(Reading& r, Scalar& v) { LastDrive(r).serialNumber = std::move(v.bytes); }
void DriveModel(Reading& r, Scalar& v) { LastDrive(r).model = std::move(v.bytes); }
void DriveFirmware(Reading& r, Scalar& v) { LastDrive(r).firmware = std::move(v.bytes); }
void FetchFailed(Reading& r, Scalar& v) { r.record.smbios.fetchFailed = v.flag; }
void TableSize(Reading& r, Scalar& v) {
  r.record.smbios.tableSize = static_cast<std::uint32_t>(v.whole);
}
void NewStructure(Reading& r, Scalar& /*v*/) {
  r.record.smbios.structures.emplace_back().fields.reserve(kMostStructureFields);
}
void StructureKind(Reading& r, Scalar& v) { LastStructure(r).kind = std::move(*v.bytes); }
void FieldOfStructure(Reading& r, Scalar& v) {
  LastStructure(r).fields.push_back({std::string(v.member), std::move(v.bytes)});
}
void EndOfTable(Reading& r, Scalar& v) { r.record.smbios.endOfTable = v.flag; }

bool IsFormatName(std::string_view text) { return text == "quorvex-identities"; }
bool IsStructureKind(std::string_view text) { return StructureShapeOf(text) != nullptr; }
bool IsKeyKindName(std::string_view text) { return KeyKindNamed(text).has_value(); }
bool IsQualityName(std::string_view text) { return QualityNamed(text).has_value(); }

// Takes `prefix` and the digits after it off the front of `text`, if there
// is at least one.
bool TakeNumbered(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  const std::size_t digits =
      std::min(text.find_first_not_of("0123456789", prefix.size()), text.size());
  if (digits == prefix.size()) return false;
  text.remove_prefix(digits);
  return true;
}

bool IsLetters(std::string_view text) {
  for (const char c : text) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return !text.empty();
}

// Where a machine key's value may stand, as the schema's pattern says.
bool IsKeyPointer(std::string_view text) {
  std::string_view rest = text;
  if (TakeNumbered(rest, "/nvidia/adapters/")) return TakeNumbered(rest, "/uuids/") && rest.empty();
  if (TakeNumbered(rest, "/drives/")) return rest == "/serialNumber";
  if (TakeNumbered(rest, "/smbios/structures/")) {
    return rest.substr(0, 1) == "/" && IsLetters(rest.substr(1));
  }
  return false;
}

// The document, top to bottom: where each value stands, what it must be and
// what it fills. A member the format does not name is skipped wherever it
// stands, whatever it holds; one that it names is given once in its object.
// clang-format off
constexpr Place kPlaces[] = {
    Object(""),
    Text("/format",                         IsFormatName, "not \"quorvex-identities\""),
    Whole("/version",                       1, 2, Version)
                                            .Refused("not 1 or 2, the versions this tool reads"),
    Object("/nvidia"),
    Flag("/nvidia/adaptersListed",          AdaptersListed),
    Array("/nvidia/adapters"),
    Object("/nvidia/adapters/-",            NewAdapter),
    Whole("/nvidia/adapters/-/index",       0, kInt32, AdapterIndex),
    Array("/nvidia/adapters/-/uuids"),
    Value("/nvidia/adapters/-/uuids/-",     AdapterUuid),
    Value("/nvidia/adapters/-/name",        AdapterName),
    Value("/nvidia/adapters/-/deviceId",    AdapterDeviceId),
    Array("/drives"),
    Object("/drives/-",                     NewDrive),
    Whole("/drives/-/number",               0, kDriveCount - 1, DriveNumber),
    NullableValue("/drives/-/serialNumber", DriveSerialNumber),
    NullableValue("/drives/-/model",        DriveModel),
    NullableValue("/drives/-/firmware",     DriveFirmware),
    Object("/smbios"),
    Flag("/smbios/fetchFailed",             FetchFailed),
    Whole("/smbios/tableSize",              0, kUint32, TableSize).When(Need::kIfFetched),
    Array("/smbios/structures").When(Need::kIfFetched),
    Structure("/smbios/structures/-",       NewStructure),
    Text("/smbios/structures/-/kind",       IsStructureKind,
                                            "not a kind the report decodes", StructureKind),
    NullableValue("/smbios/structures/-/*", FieldOfStructure),  // each field of its kind
    Flag("/smbios/endOfTable",              EndOfTable).When(Need::kIfFetched),
    // Checked as they stand; MachineKeys judges the keys afresh from the values.
    Array("/keys").When(Need::kIfVersion2),
    Object("/keys/-"),
    Text("/keys/-/kind",                    IsKeyKindName, "not a kind of machine key"),
    Text("/keys/-/pointer",                 IsKeyPointer, "not where a machine key's value stands"),
    NullableValue("/keys/-/value"),
    Text("/keys/-/quality",                 IsQualityName, "not the quality of a key"),
};
// clang-format on

constexpr std::size_t kPlaceCount = std::size(kPlaces);

constexpr bool Under(std::string_view path, std::string_view above) {
  return path.size() > above.size() && path.substr(0, above.size()) == above &&
         path[above.size()] == '/';
}

// Each place's name, and where the places under it end.
struct Layout {
  std::string_view name;
  std::size_t end = 0;
};

constexpr std::array<Layout, kPlaceCount> LayoutOf() {
  std::array<Layout, kPlaceCount> layout{};
  for (std::size_t p = 0; p < kPlaceCount; ++p) {
    const std::string_view path = kPlaces[p].path;
    layout[p].name = path.substr(path.rfind('/') + 1);
    std::size_t end = p + 1;
    while (end < kPlaceCount && Under(kPlaces[end].path, path)) ++end;
    layout[p].end = end;
  }
  return layout;
}
constexpr std::array<Layout, kPlaceCount> kLayout = LayoutOf();

// The table is the document's tree written out depth first: each place
// stands under the one it follows or under one of that one's ancestors, an
// array has one place under it, its elements', and nothing else is "-".
constexpr bool IsTheDocumentsTree() {
  for (std::size_t p = 1; p < kPlaceCount; ++p) {
    const std::string_view path = kPlaces[p].path;
    const std::string_view above = path.substr(0, path.rfind('/'));
    std::size_t parent = p - 1;
    while (parent > 0 && kPlaces[parent].path != above) --parent;
    if (kPlaces[parent].path != above || kLayout[parent].end <= p) return false;
    const bool array = kPlaces[parent].type == Type::kArray;
    if (array != (kLayout[p].name == "-") || (array && kLayout[parent].end != kLayout[p].end)) {
      return false;
    }
  }
  return true;
}
static_assert(IsTheDocumentsTree(), "a place stands outside the tree the table draws");

constexpr std::string_view kTypeRefusals[] = {
    "not an object",
    "not an array",
    "not true or false",
    "",  // a whole number's says its bounds
    "",  // a text's is its own
    "not a string or {\"hex\": ...}",
    "not a string, {\"hex\": ...} or null",
    "not an object",
};

}  // namespace

const Place& PlaceAt(std::size_t place) { return kPlaces[place]; }

std::optional<std::size_t> MemberOf(std::size_t object, std::string_view name,
                                    std::size_t& ordinal) {
  std::size_t n = 0;
  for (std::size_t m = object + 1; m < kLayout[object].end; m = kLayout[m].end, ++n) {
    if (kLayout[m].name == name && name != kEachField) {
      ordinal = n;
      return m;
    }
  }
  return std::nullopt;
}

std::size_t FieldsOf(std::size_t structure) {
  std::size_t m = structure + 1;
  while (kLayout[m].name != kEachField) m = kLayout[m].end;
  return m;
}

std::size_t EndOf(std::size_t place) { return kLayout[place].end; }

std::string_view NameOf(std::size_t place) { return kLayout[place].name; }

std::size_t PlaceNamed(std::string_view path) {
  for (std::size_t p = 0; p < kPlaceCount; ++p) {
    if (kPlaces[p].path == path) return p;
  }
  std::abort();
}

bool Wanted(Need need, const Reading& reading) {
  switch (need) {
    case Need::kIfFetched:
      return !reading.record.smbios.fetchFailed;
    case Need::kIfVersion2:
      return reading.version == 2;
    default:
      return true;
  }
}

std::string_view Unwanted(Need need) {
  switch (need) {
    case Need::kIfFetched:
      return "not in a table that could not be fetched";
    case Need::kIfVersion2:
      return "not in a version 1 document";
    default:
      return "";
  }
}

std::string Refusal(const Place& place) {
  if (!place.refusal.empty()) return std::string(place.refusal);
  if (place.type == Type::kWhole) {
    return "not a whole number from " + std::to_string(place.least) + " to " +
           std::to_string(place.most);
  }
  return std::string(kTypeRefusals[static_cast<std::size_t>(place.type)]);
}

std::uint64_t FieldsOfEachKind::BitOf(std::string_view name) const {
  for (std::size_t i = 0; i < count; ++i) {
    if (names[i] == name) return std::uint64_t{1} << i;
  }
  return 0;
}

static_assert(FieldsOfEachKind::kKinds * kMostStructureFields <= FieldsOfEachKind::kMostNames,
              "every field name has a bit");

std::string_view FieldsOfEachKind::NameOf(std::uint64_t bits) const {
  std::size_t i = 0;
  while (i + 1 < count && (bits & (std::uint64_t{1} << i)) == 0) ++i;
  return names[i];
}

const FieldsOfEachKind& StructureFields() {
  static const FieldsOfEachKind fields = [] {
    FieldsOfEachKind built;
    for (std::size_t k = 0; k < kStructureShapes.size(); ++k) {
      const StructureShape& shape = kStructureShapes[k];
      for (std::size_t f = 0; f < shape.fieldCount; ++f) {
        std::uint64_t bit = built.BitOf(shape.fields[f].name);
        if (bit == 0) {
          bit = std::uint64_t{1} << built.count;
          built.names[built.count++] = shape.fields[f].name;
        }
        built.of[k] |= bit;
        if (shape.fields[f].always) built.always[k] |= bit;
      }
    }
    return built;
  }();
  return fields;
}

}  // namespace quorvex::document_format

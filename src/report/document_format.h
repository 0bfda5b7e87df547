// The identities document described once: every place a value stands in,
// what the value must be there and what it fills in the record. The reader
// walks this description event by event, the writer takes its bounds and
// the words of its refusals from it, and docs/quorvex-identities.schema.json
// says the same to other programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "quorvex/identities.h"

namespace quorvex::document_format {

// What a value must be where it stands.
enum class Type : std::uint8_t {
  kObject,
  kArray,
  kFlag,           // true or false
  kWhole,          // a whole number from `least` to `most`; 2.0 is the number 2
  kText,           // a string that `accepts` takes
  kValue,          // bytes the system handed over: a string, or {"hex": "…"} when not UTF-8
  kNullableValue,  // the same, or null where the report prints a placeholder
  kStructure,      // an object: its kind, and the fields of that kind (StructureShapeOf)
};

// When a member the format names is there: always, or exactly when the
// document says something of itself elsewhere.
enum class Need : std::uint8_t {
  kAlways,
  kIfFetched,   // what a fetched firmware table holds: never beside "fetchFailed": true
  kIfVersion2,  // the machine keys, which version 1 predates
};

// What has been read so far: the record, and what the document says of itself.
struct Reading {
  Identities record;
  std::uint64_t version = 0;
};

// One value as a place's fill takes it.
struct Scalar {
  bool flag = false;
  std::uint64_t whole = 0;
  std::optional<std::string> bytes;  // a text's or a value's; std::nullopt for null
  std::string_view member;           // a structure field's name
};

using Fill = void (*)(Reading& reading, Scalar& value);

struct Place {
  std::string_view path;  // from the document's root; "-" is each element of an array
  Type type = Type::kObject;
  Need need = Need::kAlways;
  std::uint64_t least = 0;
  std::uint64_t most = 0;
  bool (*accepts)(std::string_view text) = nullptr;  // a text's test
  std::string_view refusal;  // what a value refused here is not, where the type does not say it
  // A scalar's value into the record, or for an object its start; nothing
  // for a place the record does not hold.
  Fill fill = nullptr;

  constexpr Place When(Need only) const {
    Place place = *this;
    place.need = only;
    return place;
  }
  constexpr Place Refused(std::string_view why) const {
    Place place = *this;
    place.refusal = why;
    return place;
  }
};

// The document itself, the first place.
inline constexpr std::size_t kDocument = 0;

// The last step of the path of a structure's fields: whatever its kind names.
inline constexpr std::string_view kEachField = "*";

const Place& PlaceAt(std::size_t place);

// The place of the member named `name` of an object at `object`, and its
// ordinal among the object's members (a bit each, to tell one given twice);
// std::nullopt for a member the format does not name there. A structure's
// fields are named by its kind, not here: FieldsOf, StructureFields.
std::optional<std::size_t> MemberOf(std::size_t object, std::string_view name,
                                    std::size_t& ordinal);

// The place of every field of a structure at `structure`.
std::size_t FieldsOf(std::size_t structure);

// The place of the elements of the array at `array`.
inline std::size_t ElementOf(std::size_t array) { return array + 1; }

// Where the members of an object end: the object's members are the places
// from object + 1 on, each the next after the one before has ended.
std::size_t EndOf(std::size_t place);

// The last step of a place's path: its member's name, or "-".
std::string_view NameOf(std::size_t place);

// The place whose path is `path`; a programming error for one there is not.
std::size_t PlaceNamed(std::string_view path);

// Whether a member of `need` belongs where `reading` stands, and what one
// that does not is not.
bool Wanted(Need need, const Reading& reading);
std::string_view Unwanted(Need need);

// What a value refused at `place` is not: "not true or false".
std::string Refusal(const Place& place);

// Every SMBIOS field name of every kind, each once, so that the fields a
// structure holds are bits of one mask whatever its kind turns out to be.
struct FieldsOfEachKind {
  static constexpr std::size_t kKinds = std::tuple_size_v<decltype(kStructureShapes)>;
  static constexpr std::size_t kMostNames = 64;  // a bit each
  std::string_view names[kMostNames];
  std::size_t count = 0;
  std::uint64_t of[kKinds] = {};      // a kind's fields, in kStructureShapes' order
  std::uint64_t always[kKinds] = {};  // those always there
  // The bit of `name`, or 0 for a name no kind has.
  std::uint64_t BitOf(std::string_view name) const;
  // The name of the lowest bit set in `bits`.
  std::string_view NameOf(std::uint64_t bits) const;
};
const FieldsOfEachKind& StructureFields();

}  // namespace quorvex::document_format

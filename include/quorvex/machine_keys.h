// The identifiers people key on (asset inventories, licence binding, telling
// machines apart in a fleet), and whether a value can serve as one. Firmware
// and drives often carry filler where a serial number belongs, and boards
// share dummy UUIDs by the thousand, so every key is judged before anyone
// relies on it. The JSON document's "keys" and the tools' --keys and --diff
// all take the kinds and the judgement from here.
//
// Part of the Quorvex library (find_package(quorvex CONFIG)): quorvex::quorvex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/identities.h"
#include "quorvex/placeholders.h"

namespace quorvex {

enum class KeyQuality : std::uint8_t { kUsable, kAbsent, kEmpty, kRepeated, kDummyUuid, kFiller };

// "usable", "absent", "empty", "repeated", "dummy-uuid" or "filler".
std::string_view QualityName(KeyQuality quality);

// The kinds of machine key, in the order --diff compares them.
enum class KeyKind : std::uint8_t {
  kGpuUuid,
  kDriveSerial,
  kSystemUuid,
  kSystemSerial,
  kBaseboardSerial,
  kChassisSerial,
  kChassisAssetTag,
  kProcessorSerial,
  kMemorySerial,
};

// What a kind of key is, and where it stands in the identities document:
// member `field` of each element of `container`, which is "adapter" (the
// GPUs' UUID arrays), "drive", or the kind of an SMBIOS structure.
struct KeyKindInfo {
  KeyKind kind;
  std::string_view name;  // as documents and the tools write it: "drive-serial"
  std::string_view container;
  std::string_view field;
  bool uuid;                     // a UUID: its spellings are one value (SameKeyValue)
  std::string_view placeholder;  // what the report prints where the value was not read
  std::string_view place;        // what a person calls the element that holds it
};

// Every kind, in KeyKind's order.
inline constexpr KeyKindInfo kKeyKinds[] = {
    {KeyKind::kGpuUuid, "gpu-uuid", "adapter", "uuids", true, "", "adapter"},
    {KeyKind::kDriveSerial, "drive-serial", "drive", "serialNumber", false, kNotRead, "drive"},
    {KeyKind::kSystemUuid, "system-uuid", "system", "uuid", true, kSmbiosAbsent, "system"},
    {KeyKind::kSystemSerial, "system-serial", "system", "serialNumber", false, kSmbiosAbsent,
     "system"},
    {KeyKind::kBaseboardSerial, "baseboard-serial", "baseboard", "serialNumber", false,
     kSmbiosAbsent, "baseboard"},
    {KeyKind::kChassisSerial, "chassis-serial", "chassis", "serialNumber", false, kSmbiosAbsent,
     "chassis"},
    {KeyKind::kChassisAssetTag, "chassis-asset-tag", "chassis", "assetTagNumber", false,
     kSmbiosAbsent, "chassis"},
    {KeyKind::kProcessorSerial, "processor-serial", "processor", "serialNumber", false,
     kSmbiosAbsent, "processor"},
    {KeyKind::kMemorySerial, "memory-serial", "memoryDevice", "serialNumber", false, kSmbiosAbsent,
     "memory device"},
};

// What `kind` is. A value outside the enumeration, which only a cast makes,
// gets a row of its own named "unknown" that no document holds.
const KeyKindInfo& InfoOf(KeyKind kind);

// "gpu-uuid", "drive-serial", ...: InfoOf(kind).name.
std::string_view KeyKindName(KeyKind kind);

// The kind named `name` exactly, or std::nullopt.
std::optional<KeyKind> KeyKindNamed(std::string_view name);

// The kind of key that `field` of a `container` holds, or std::nullopt.
std::optional<KeyKind> KeyKindAt(std::string_view container, std::string_view field);

// The one rule for what a value of a kind is, by which keys are judged,
// compared, hashed and grouped: blanks (space, tab, CR, LF, NUL) at either
// end do not count; for the UUID kinds neither do one pair of enclosing
// braces (and the blanks inside them) nor a leading "GPU-" in any case, and
// ASCII letters count in lower case, since the registry writes a GUID in
// braces, NVIDIA's driver puts "GPU-" in front, and hexadecimal digits come
// in either case. The bytes, UTF-8 or not, are otherwise compared as they are.
//
// The value as that rule compares it: "{0A1B-...}" and "GPU-0a1b-..." give
// the same, "0a1b-...".
std::string ComparableKey(KeyKind kind, std::string_view value);

// Whether ComparableKey makes `a` and `b` the same, without making either.
bool SameKeyValue(KeyKind kind, std::string_view a, std::string_view b);

// A hash of ComparableKey(kind, value), without making it: equal for the
// values SameKeyValue takes for the same, for tables of a fleet's values.
std::uint64_t KeyValueHash(KeyKind kind, std::string_view value);

// Judges one value of a kind of key by the same rule, its bytes UTF-8 or
// not; std::nullopt is a value that was not read. The first reason that
// applies wins: absent, empty (only blanks), repeated (one byte over and
// over, hyphens and blanks aside), dummy-uuid, filler (a known placeholder
// text, ignoring ASCII case), else usable.
KeyQuality JudgeKey(KeyKind kind, std::optional<std::string_view> bytes);

// Where a key stands in its identities document.
struct KeyPlace {
  // Its adapter's, drive's or structure's position in the document's array.
  std::size_t element = 0;
  // A GPU UUID's position in its adapter's "uuids"; 0 for the other kinds.
  std::size_t item = 0;
  // What tells one key of a kind from another on the machine, so that two
  // documents' keys are paired by it: the adapter's index (with `item`), the
  // drive's number, or for an SMBIOS key its ordinal among the document's
  // keys of its kind. Windows renumbers drives, so a position is no anchor.
  std::int64_t number = 0;
};

// One machine key of one machine's identities.
struct MachineKey {
  KeyKind kind = KeyKind::kGpuUuid;
  std::optional<std::string> value;  // its bytes; std::nullopt where it was not read
  KeyQuality quality = KeyQuality::kAbsent;
  KeyPlace place;
};

// The RFC 6901 pointer to the key's value in its identities document, such
// as "/drives/0/serialNumber".
std::string KeyPointer(const MachineKey& key);

// The key's place as a person reads it: "drive 0", "adapter 1 UUID 2",
// "memory device 3".
std::string KeyPlaceName(const MachineKey& key);

// The machine keys among the values of `identities`, in report order (the
// GPUs' UUIDs, the drives' serial numbers, then the SMBIOS structures' keys
// in table order), each judged and placed as its identities document holds
// it. A table that could not be fetched has none.
std::vector<MachineKey> MachineKeys(const Identities& identities);

enum class KeyChangeKind : std::uint8_t { kChanged, kAdded, kRemoved };

// "changed", "added" or "removed".
std::string_view ChangeName(KeyChangeKind change);

// One change, holding copies of the keys it is about: a diff outlives the
// lists it was made from, temporaries included.
struct KeyChange {
  KeyKind kind = KeyKind::kGpuUuid;
  KeyChangeKind change = KeyChangeKind::kChanged;
  std::optional<MachineKey> before;  // none for an added key
  std::optional<MachineKey> after;   // none for a removed key
};

struct KeyDiff {
  // Kind by kind in KeyKind's order; within a kind the changed and
  // removed keys in `before`'s order, then the added ones in `after`'s.
  std::vector<KeyChange> changes;
  std::size_t unchanged = 0;
};

// Which keys changed from `before` to `after`, the question a licence or an
// activation that no longer knows the machine raises after a drive swap, a
// board replaced or a firmware update. Pairs the keys kind by kind. First
// each key of `before`, in its order, takes the first key of `after` not yet
// taken whose value is the same (both absent, or equal as ComparableKey
// makes them): that pair is unchanged, wherever the two keys stand, since
// Windows renumbers drives and a list can gain an element in front. Then
// each key of `before` left takes the one of `after` left at the same place
// (KeyPlace::number, and for a GPU UUID its item): changed. The keys left
// after that were removed from `before` or added in `after`. The result
// holds copies of the keys it names, so the lists may be temporaries.
KeyDiff DiffKeys(const std::vector<MachineKey>& before, const std::vector<MachineKey>& after);

}  // namespace quorvex

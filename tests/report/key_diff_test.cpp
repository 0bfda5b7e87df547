#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "quorvex/machine_keys.h"
#include "support/param_name.h"

namespace quorvex {
namespace {

// A key of the named kind at `number` (the drive's number, the adapter's
// index, an SMBIOS key's ordinal); std::nullopt for a value not read.
MachineKey Key(std::string_view kind, const std::optional<std::string>& value,
               std::int64_t number = 0, std::size_t item = 0) {
  MachineKey key;
  key.kind = KeyKindNamed(kind).value();
  key.value = value;
  key.place.number = number;
  key.place.item = item;
  return key;
}

MachineKey Drive(const std::string& serial, std::int64_t number) {
  return Key("drive-serial", serial, number);
}

MachineKey Gpu(const std::string& uuid, std::int64_t adapter, std::size_t item) {
  return Key("gpu-uuid", uuid, adapter, item);
}

struct DiffRow {
  std::string name;
  std::vector<MachineKey> before;
  std::vector<MachineKey> after;
  std::vector<std::string> changes;  // "place change"
  std::size_t unchanged;
};

const DiffRow kDiffRows[] = {
    {"Same", {Drive("A", 0)}, {Drive("A", 0)}, {}, 1},
    {"ChangedInPlace", {Drive("A", 0)}, {Drive("B", 0)}, {"drive 0 changed"}, 0},
    {"Added", {}, {Drive("A", 0)}, {"drive 0 added"}, 0},
    // Windows numbers the drives left from 0 again: only the one taken out is gone.
    {"DriveRemoved", {Drive("A", 0), Drive("B", 1)}, {Drive("B", 0)}, {"drive 0 removed"}, 1},
    {"DrivesRenumbered",
     {Drive("A", 0), Drive("B", 1), Drive("C", 2)},
     {Drive("A", 0), Drive("C", 1)},
     {"drive 1 removed"},
     2},
    {"SwapInPlace", {Drive("A", 0), Drive("B", 1)}, {Drive("B", 0), Drive("A", 1)}, {}, 2},
    {"UuidInserted",
     {Gpu("U1", 0, 0), Gpu("U2", 0, 1)},
     {Gpu("U0", 0, 0), Gpu("U1", 0, 1), Gpu("U2", 0, 2)},
     {"adapter 0 UUID 0 added"},
     2},
    // The first key not yet taken, in document order.
    {"SameValueTwice", {Drive("X", 0), Drive("X", 1)}, {Drive("X", 1)}, {"drive 1 removed"}, 1},
    {"ChangedThenAdded",
     {Drive("A", 0)},
     {Drive("B", 1), Drive("C", 0)},
     {"drive 0 changed", "drive 1 added"},
     0},
    {"AbsentBoth",
     {Key("system-serial", std::nullopt)},
     {Key("system-serial", std::nullopt)},
     {},
     1},
    {"AbsentToValue",
     {Key("system-serial", std::nullopt)},
     {Key("system-serial", "")},
     {"system 0 changed"},
     0},
    {"BlanksAtTheEnds", {Key("memory-serial", " Q1\t\r\n")}, {Key("memory-serial", "Q1")}, {}, 1},
    {"UuidCase", {Key("system-uuid", "ab-cd")}, {Key("system-uuid", "AB-CD")}, {}, 1},
    {"UuidSpellings",
     {Gpu("GPU-0a1b2c3d-0000-4000-8000-00000000a001", 0, 0)},
     {Gpu(" {0A1B2C3D-0000-4000-8000-00000000A001}", 0, 0)},
     {},
     1},
    {"BracesAroundASerialCount", {Drive("{A}", 0)}, {Drive("A", 0)}, {"drive 0 changed"}, 0},
    {"SerialCase", {Drive("ab", 0)}, {Drive("AB", 0)}, {"drive 0 changed"}, 0},
    {"KindsInFixedOrder",
     {Key("memory-serial", "M"), Gpu("G", 0, 0), Drive("D", 0)},
     {Key("memory-serial", "M2"), Drive("D", 0), Gpu("G2", 0, 0)},
     {"adapter 0 UUID 0 changed", "memory device 0 changed"},
     1},
};

class KeyDiffTest : public ::testing::TestWithParam<DiffRow> {};

TEST_P(KeyDiffTest, PairsByValueThenByPlace) {
  const DiffRow& row = GetParam();
  // Made of temporaries, as a program writes it: the diff holds what it names.
  const KeyDiff diff =
      DiffKeys(std::vector<MachineKey>(row.before), std::vector<MachineKey>(row.after));
  std::vector<std::string> changes;
  for (const KeyChange& change : diff.changes) {
    const char* what = change.change == KeyChangeKind::kAdded     ? "added"
                       : change.change == KeyChangeKind::kRemoved ? "removed"
                                                                  : "changed";
    const MachineKey& placed = change.before ? *change.before : *change.after;
    changes.push_back(KeyPlaceName(placed) + " " + what);
    // An added key has nothing before it, a removed one nothing after.
    EXPECT_EQ(!change.before, change.change == KeyChangeKind::kAdded);
    EXPECT_EQ(!change.after, change.change == KeyChangeKind::kRemoved);
  }
  EXPECT_EQ(changes, row.changes);
  EXPECT_EQ(diff.unchanged, row.unchanged);
}

INSTANTIATE_TEST_SUITE_P(KeyLists, KeyDiffTest, ::testing::ValuesIn(kDiffRows), testing::RowName());

}  // namespace
}  // namespace quorvex

#include "keys/keys_diff.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/param_name.h"

namespace quorvex::keys {
namespace {

// A key of the named kind; std::nullopt for a value that was not read.
MachineKey Key(std::string_view kind, const std::optional<std::string>& value) {
  MachineKey key;
  for (const MachineKeyKind& known : kMachineKeyKinds) {
    if (known.name == kind) key.kind = &known;
  }
  key.value = {value.has_value(), false, value.value_or("")};
  return key;
}

struct DiffRow {
  std::string name;
  std::vector<MachineKey> before;
  std::vector<MachineKey> after;
  std::vector<std::string> changes;  // "kind ordinal change"
  std::size_t unchanged;
};

const DiffRow kDiffRows[] = {
    {"Same", {Key("drive-serial", "A")}, {Key("drive-serial", "A")}, {}, 1},
    {"Changed",
     {Key("drive-serial", "A")},
     {Key("drive-serial", "B")},
     {"drive-serial 0 changed"},
     0},
    {"Added", {}, {Key("drive-serial", "A")}, {"drive-serial 0 added"}, 0},
    {"Removed",
     {Key("drive-serial", "A"), Key("drive-serial", "B")},
     {Key("drive-serial", "A")},
     {"drive-serial 1 removed"},
     1},
    {"AbsentBoth",
     {Key("system-serial", std::nullopt)},
     {Key("system-serial", std::nullopt)},
     {},
     1},
    {"AbsentToValue",
     {Key("system-serial", std::nullopt)},
     {Key("system-serial", "")},
     {"system-serial 0 changed"},
     0},
    {"BlanksAtTheEnds", {Key("memory-serial", " Q1\t")}, {Key("memory-serial", "Q1")}, {}, 1},
    {"UuidCase", {Key("system-uuid", "ab-cd")}, {Key("system-uuid", "AB-CD")}, {}, 1},
    {"SerialCase",
     {Key("drive-serial", "ab")},
     {Key("drive-serial", "AB")},
     {"drive-serial 0 changed"},
     0},
    {"KindsInFixedOrder",
     {Key("memory-serial", "M"), Key("gpu-uuid", "G"), Key("drive-serial", "D")},
     {Key("memory-serial", "M2"), Key("drive-serial", "D"), Key("gpu-uuid", "G2")},
     {"gpu-uuid 0 changed", "memory-serial 0 changed"},
     1},
    {"OrdinalsCountPerKind",
     {Key("drive-serial", "A"), Key("memory-serial", "M"), Key("drive-serial", "B")},
     {Key("drive-serial", "A"), Key("drive-serial", "C"), Key("memory-serial", "M")},
     {"drive-serial 1 changed"},
     2},
};

class KeyDiffTest : public ::testing::TestWithParam<DiffRow> {};

TEST_P(KeyDiffTest, MatchesKindByKindAndOrdinal) {
  const DiffRow& row = GetParam();
  const KeyDiff diff = DiffKeys(row.before, row.after);
  std::vector<std::string> changes;
  for (const KeyChange& change : diff.changes) {
    const char* what = change.change == KeyChangeKind::kAdded     ? "added"
                       : change.change == KeyChangeKind::kRemoved ? "removed"
                                                                  : "changed";
    changes.push_back(std::string(change.kind->name) + " " + std::to_string(change.ordinal) + " " +
                      what);
    // An added key has nothing before it, a removed one nothing after.
    EXPECT_EQ(change.before == nullptr, change.change == KeyChangeKind::kAdded);
    EXPECT_EQ(change.after == nullptr, change.change == KeyChangeKind::kRemoved);
  }
  EXPECT_EQ(changes, row.changes);
  EXPECT_EQ(diff.unchanged, row.unchanged);
}

INSTANTIATE_TEST_SUITE_P(KeyLists, KeyDiffTest, ::testing::ValuesIn(kDiffRows), testing::RowName());

}  // namespace
}  // namespace quorvex::keys

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "quorvex/fingerprint.h"
#include "support/param_name.h"

namespace quorvex {
namespace {

// A key of the named kind, judged as MachineKeys judges it, at `number`.
MachineKey Key(std::string_view kind, const std::string& value, std::int64_t number = 0) {
  MachineKey key;
  key.kind = KeyKindNamed(kind).value();
  key.value = value;
  key.quality = JudgeKey(key.kind, value);
  key.place.number = number;
  return key;
}

MachineKey Drive(const std::string& serial, std::int64_t number) {
  return Key("drive-serial", serial, number);
}

const std::string kUuid = "36251403-5847-7a69-8b9c-adbecfe0f102";
const std::string kGpu = "0a1b2c3d-0000-4000-8000-00000000a001";

// A desktop with one GPU (its UUID in its driver key and its device key:
// one component), two drives, its system UUID and a filler that is no component.
const std::vector<MachineKey> kDesktop = {Key("gpu-uuid", "GPU-" + kGpu),
                                          Key("gpu-uuid", "{0A1B2C3D-0000-4000-8000-00000000A001}"),
                                          Drive("OKD-1", 0),
                                          Drive("OKD-2", 1),
                                          Key("system-uuid", kUuid),
                                          Key("baseboard-serial", "Default string")};
const std::vector<MachineKey> kThree = {Drive("OKD-A", 0), Drive("OKD-B", 1),
                                        Key("system-uuid", kUuid)};

struct MatchRow {
  std::string name;
  std::vector<MachineKey> enrolled;
  std::vector<MachineKey> current;
  bool same;
  bool weak;
  std::string counts;  // "kind matched/changed/added/removed" a kind, in order
};

// clang-format off
const MatchRow kMatchRows[] = {
    {"Unchanged", kDesktop, kDesktop, true, false,
     "gpu-uuid 1/0/0/0 drive-serial 2/0/0/0 system-uuid 1/0/0/0"},
    // Windows renumbers drives; the registry writes a GUID in braces, NVIDIA's driver with GPU-.
    {"RenumberedAndRespelled", kDesktop,
     {Key("gpu-uuid", " {" + kGpu + "}"), Drive("OKD-2", 0), Drive(" OKD-1\t", 1),
      Key("system-uuid", "{36251403-5847-7A69-8B9C-ADBECFE0F102}")}, true, false,
     "gpu-uuid 1/0/0/0 drive-serial 2/0/0/0 system-uuid 1/0/0/0"},
    {"OneChangedOfThree", kThree, {Drive("OKD-A", 0), Drive("OKD-C", 1), Key("system-uuid", kUuid)},
     true, false, "drive-serial 1/1/0/0 system-uuid 1/0/0/0"},
    {"OneAddedToThree", kThree,
     {Drive("OKD-A", 0), Drive("OKD-B", 1), Drive("OKD-C", 2), Key("system-uuid", kUuid)},
     true, false, "drive-serial 2/0/1/0 system-uuid 1/0/0/0"},
    {"OneRemovedOfThreeRestRenumbered", kThree, {Drive("OKD-B", 0), Key("system-uuid", kUuid)},
     true, false, "drive-serial 1/0/0/1 system-uuid 1/0/0/0"},
    // Below three, one change leaves one match: no longer enough.
    {"OneChangedOfTwo", {Drive("OKD-A", 0), Drive("OKD-B", 1)},
     {Drive("OKD-A", 0), Drive("OKD-C", 1)}, false, false, "drive-serial 1/1/0/0"},
    // A GPU moved from one machine to another is all the two share.
    {"TwoMachinesShareAMovedPart", kDesktop,
     {Key("gpu-uuid", kGpu), Drive("OKD-7", 0),
      Key("system-uuid", "c0a1b34f-e1d2-5a4f-9b7c-0d1e2f3a4b5c")},
     false, false, "gpu-uuid 1/0/0/0 drive-serial 0/1/0/1 system-uuid 0/1/0/0"},
    {"WeakMatchesItself", {Drive("OKD-A", 0)}, {Drive(" OKD-A", 3)}, true, true,
     "drive-serial 1/0/0/0"},
    // A machine with nothing usable is not recognised, not even by another such machine.
    {"EmptyIsNobody", {Key("baseboard-serial", "Default string")}, {Key("system-serial", "0000")},
     false, true, ""},
};
// clang-format on

std::string CountsOf(const FingerprintMatch& match) {
  std::string text;
  for (const KindMatch& kind : match.kinds) {
    if (!text.empty()) text += ' ';
    text += std::string(KeyKindName(kind.kind)) + " " + std::to_string(kind.matched) + "/" +
            std::to_string(kind.changed) + "/" + std::to_string(kind.added) + "/" +
            std::to_string(kind.removed);
  }
  return text;
}

class FingerprintMatchTest : public ::testing::TestWithParam<MatchRow> {};

TEST_P(FingerprintMatchTest, DecidesAndCounts) {
  const MatchRow& row = GetParam();
  std::optional<Fingerprinter> fingerprinter;
  ASSERT_EQ(Fingerprinter::Create(std::string(kFingerprintKeyMinBytes, 'k'), fingerprinter),
            std::nullopt);
  Fingerprint enrolled, current;
  ASSERT_EQ(fingerprinter->Of(row.enrolled, enrolled), std::nullopt);
  ASSERT_EQ(fingerprinter->Of(row.current, current), std::nullopt);
  // The documents the licence server keeps say what the fingerprints say.
  for (Fingerprint* fingerprint : {&enrolled, &current}) {
    Fingerprint read;
    ASSERT_EQ(ReadFingerprintDocument(FingerprintDocument(*fingerprint), read), std::nullopt);
    ASSERT_EQ(read, *fingerprint);
  }
  const FingerprintMatch match = MatchFingerprints(enrolled, current);
  EXPECT_EQ(match.same, row.same);
  EXPECT_EQ(match.weak, row.weak);
  EXPECT_EQ(CountsOf(match), row.counts);
  // Which side is enrolled does not change the verdict.
  EXPECT_EQ(MatchFingerprints(current, enrolled).same, row.same);
}

INSTANTIATE_TEST_SUITE_P(Machines, FingerprintMatchTest, ::testing::ValuesIn(kMatchRows),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "quorvex/fingerprint.h"
#include "support/param_name.h"

namespace quorvex {
namespace {

const std::string kTagA(32, 'a');
const std::string kTagB(32, 'b');

std::string Component(const std::string& kind, const std::string& tag,
                      const std::string& more = "") {
  return "{\"kind\":\"" + kind + "\",\"tag\":\"" + tag + "\"" + more + "}";
}

std::string Document(const std::string& components, const std::string& more = "") {
  return "{\"format\":\"quorvex-fingerprint\",\"version\":1" + more + ",\"components\":[" +
         components + "]}";
}

struct ReaderRow {
  std::string name;
  std::string document;
  std::optional<std::string> pointer;  // where the refusal points; unused when read
  std::string refusal;                 // found in the reason; empty when the document is read
  std::size_t components = 0;          // how many are read
};

const ReaderRow kReaderRows[] = {
    {"TwoKindsInOrder",
     Document(Component("gpu-uuid", kTagB) + "," + Component("drive-serial", kTagA)), "", "", 2},
    // An agent that files fingerprints may add members of its own.
    {"MembersNotNamedAreSkipped",
     Document(Component("drive-serial", kTagA, ",\"note\":{\"a\":[[1],{}]}"),
              ",\"host\":[\"x\",null]"),
     "", "", 1},
    {"NotJson", "{\"format\":", std::nullopt, "not JSON"},
    {"NotAnObject", "[]", "", "not an object"},
    {"IdentitiesDocument", "{\"format\":\"quorvex-identities\",\"version\":2}", "/format",
     "not \"quorvex-fingerprint\""},
    {"Version2", "{\"format\":\"quorvex-fingerprint\",\"version\":2}", "/version", "not 1"},
    {"NoComponents", "{\"format\":\"quorvex-fingerprint\",\"version\":1}", "",
     "no member \"components\""},
    {"TagInUpperCase", Document(Component("drive-serial", std::string(32, 'A'))),
     "/components/0/tag", "not 32 lower-case"},
    {"TagOf31Digits", Document(Component("drive-serial", kTagA.substr(1))), "/components/0/tag",
     "not 32 lower-case"},
    {"KindUnknown", Document(Component("mac-address", kTagA)), "/components/0/kind",
     "not a kind of machine key"},
    {"TagMissing", Document("{\"kind\":\"drive-serial\"}"), "/components/0", "no member \"tag\""},
    {"KindNamedTwice",
     Document("{\"kind\":\"drive-serial\",\"kind\":\"gpu-uuid\",\"tag\":\"" + kTagA + "\"}"),
     "/components/0", "\"kind\" named twice"},
    {"KindsOutOfOrder",
     Document(Component("drive-serial", kTagA) + "," + Component("gpu-uuid", kTagB)),
     "/components/1", "out of order"},
    {"TagsOutOfOrder",
     Document(Component("drive-serial", kTagB) + "," + Component("drive-serial", kTagA)),
     "/components/1", "out of order"},
    {"Repeated",
     Document(Component("drive-serial", kTagA) + "," + Component("drive-serial", kTagA)),
     "/components/1", "the same component"},
    {"NestedTooDeep", Document("", ",\"a/b\":" + std::string(16, '[') + std::string(16, ']')),
     "/a~1b/0/0/0/0/0/0/0/0/0/0/0/0/0/0/0", "nested deeper"},
};

class FingerprintReaderTest : public ::testing::TestWithParam<ReaderRow> {};

TEST_P(FingerprintReaderTest, ReadsOrRefusesWithThePointer) {
  const ReaderRow& row = GetParam();
  Fingerprint fingerprint;
  fingerprint.components.resize(7);  // left as it was on a refusal
  const std::optional<Failure> failure = ReadFingerprintDocument(row.document, fingerprint);
  if (row.refusal.empty()) {
    ASSERT_EQ(failure, std::nullopt) << FailureMessage(*failure);
    EXPECT_EQ(fingerprint.components.size(), row.components);
    return;
  }
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->pointer, row.pointer);
  EXPECT_NE(failure->reason.find(row.refusal), std::string::npos) << failure->reason;
  EXPECT_EQ(fingerprint.components.size(), 7U);
}

INSTANTIATE_TEST_SUITE_P(Documents, FingerprintReaderTest, ::testing::ValuesIn(kReaderRows),
                         testing::RowName());

}  // namespace
}  // namespace quorvex

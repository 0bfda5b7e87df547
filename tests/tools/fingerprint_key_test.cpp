#include "fingerprint_key.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/param_name.h"
#include "support/temp_folder.h"

namespace quorvex::tools {
namespace {

namespace fs = std::filesystem;

// Key bytes that a text-mode read would change: CR LF, NUL, and Ctrl-Z,
// which the C runtime on Windows takes for the end of a text file.
std::string KeyBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += "\r\n\x1a\xff\x00"[i % 5];
  return bytes;
}

struct KeyFileRow {
  std::string name;
  std::optional<std::string> bytes;  // std::nullopt: a folder stands where the file would
  std::string refusal;               // found in the reason; empty when the key is read
};

const KeyFileRow kKeyFileRows[] = {
    {"ThirtyTwoBytesAsTheyAre", KeyBytes(kFingerprintKeyMinBytes), ""},
    {"ThirtyOneBytes", KeyBytes(kFingerprintKeyMinBytes - 1),
     "only 31 bytes; a key needs at least 32"},
    {"Folder", std::nullopt, "a folder"},
};

class KeyFileTest : public ::testing::TestWithParam<KeyFileRow> {};

TEST_P(KeyFileTest, IsReadOrRefusedWithTheReason) {
  const KeyFileRow& row = GetParam();
  const testing::TempFolder folder;
  const fs::path file = folder.path() / "key";
  if (row.bytes) {
    folder.Write("key", *row.bytes);
  } else {
    fs::create_directory(file);
  }
  std::string key = "left over";
  const std::optional<Failure> problem = ReadFingerprintKey(file, key);
  if (row.refusal.empty()) {
    EXPECT_EQ(problem, std::nullopt);
    EXPECT_EQ(key, *row.bytes);
  } else {
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->path, file.u8string());
    EXPECT_NE(problem->reason.find(row.refusal), std::string::npos) << problem->reason;
    EXPECT_EQ(key, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Files, KeyFileTest, ::testing::ValuesIn(kKeyFileRows), testing::RowName());

// A new key is random, whole, and never takes the place of a file already there.
TEST(NewFingerprintKey, IsRandomAndNeverReplacesAFile) {
  const testing::TempFolder folder;
  const fs::path file = folder.path() / "key";
  ASSERT_EQ(WriteNewFingerprintKey(file), std::nullopt);
  std::string key;
  ASSERT_EQ(ReadFingerprintKey(file, key), std::nullopt);
  EXPECT_EQ(key.size(), kNewFingerprintKeyBytes);
#if !defined(_WIN32)
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif

  const std::optional<std::string> again = WriteNewFingerprintKey(file);
  ASSERT_TRUE(again);
  EXPECT_NE(again->find("already exists"), std::string::npos) << *again;
  std::string kept;
  ASSERT_EQ(ReadFingerprintKey(file, kept), std::nullopt);
  EXPECT_EQ(kept, key);

  const fs::path second = folder.path() / "second";
  ASSERT_EQ(WriteNewFingerprintKey(second), std::nullopt);
  std::string secondKey;
  ASSERT_EQ(ReadFingerprintKey(second, secondKey), std::nullopt);
  EXPECT_NE(secondKey, key);
}

}  // namespace
}  // namespace quorvex::tools

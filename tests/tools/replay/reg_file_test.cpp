#include "replay/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/param_name.h"
#include "tools/replay/utf16_file.h"

namespace quorvex::replay {
namespace {

using quorvex::testing::Utf16File;
using quorvex::testing::Utf8File;
using standin::Bytes;

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\n\n";

const standin::RegValue& ValueAt(const standin::Registry& registry, const std::string& key,
                                 std::size_t index) {
  const standin::RegKeyData* data = registry.Find(key);
  static const standin::RegValue kMissing{"<missing>", REG_NONE, {}};
  if (data == nullptr || index >= data->values.size()) return kMissing;
  return data->values[index];
}

// Every data form regedit writes, in a UTF-16 file with CRLF line ends.
TEST(ApplyRegFile, ReadsEveryDataFormOfAVersion5Export) {
  const std::string file = std::string(kV5) +
                           "; made-up keys\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Made Up]\n"
                           "\"Path\"=\"C:\\\\Tools\\\\\\\"q\\\"\"\n"
                           "@=\"default\"\n"
                           "\"Gr\xC3\xB6\xC3\x9F\x65\"=\"\xCE\xA9 \xF0\x9F\x98\x80\"\n"
                           "\"Count\"=dword:0000002a\n"
                           "\"Blob\"=hex:01,02,\\\n"
                           "  03,ff\n"
                           "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
                           "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
                           "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
                           "\"None\"=hex(0):\n"
                           "\"Odd\"=hex(10000):aa\n";
  standin::Registry registry;
  ASSERT_EQ(ApplyRegFile(Utf16File(file), registry), std::nullopt);
  const std::string key = "SOFTWARE\\Made Up";
  const std::vector<standin::RegValue> want = {
      {"Path", REG_SZ, standin::TextValue("C:\\Tools\\\"q\"")},
      {"", REG_SZ, standin::TextValue("default")},
      {"Gr\xC3\xB6\xC3\x9F\x65", REG_SZ, standin::TextValue("\xCE\xA9 \xF0\x9F\x98\x80")},
      {"Count", REG_DWORD, Bytes{0x2A, 0, 0, 0}},
      {"Blob", REG_BINARY, Bytes{1, 2, 3, 0xFF}},
      {"Expand", REG_EXPAND_SZ, standin::TextValue("%A%")},
      {"Multi", REG_MULTI_SZ, Bytes{'a', 0, 'b', 0, 0}},
      {"Quad", REG_QWORD, Bytes{1, 0, 0, 0, 0, 0, 0, 0}},
      {"None", REG_NONE, Bytes{}},
      {"Odd", 0x10000, Bytes{0xAA}},
  };
  ASSERT_EQ(registry.Find(key)->values.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const standin::RegValue& got = ValueAt(registry, key, i);
    EXPECT_EQ(got.name, want[i].name) << i;
    EXPECT_EQ(got.type, want[i].type) << want[i].name;
    EXPECT_EQ(got.data, want[i].data) << want[i].name;
  }
}

// REGEDIT4 files hold narrow text, so hex string data is taken as it is.
TEST(ApplyRegFile, Regedit4StringHexIsNarrowAlready) {
  standin::Registry registry;
  ASSERT_EQ(ApplyRegFile(Utf8File("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                                  "\"E\"=hex(2):41,42,00\r\n\"S\"=\"x\"\r\n"),
                         registry),
            std::nullopt);
  EXPECT_EQ(ValueAt(registry, "A", 0).data, (Bytes{'A', 'B', 0}));
  EXPECT_EQ(ValueAt(registry, "A", 1).data, standin::TextValue("x"));
}

TEST(ApplyRegFile, Version5AlsoReadsAsUtf8WithOrWithoutMark) {
  for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
    standin::Registry registry;
    ASSERT_EQ(ApplyRegFile(Utf8File(mark + kV5 + "[HKEY_LOCAL_MACHINE\\A]\n\"S\"=\"\xC3\xBC\"\n"),
                           registry),
              std::nullopt);
    EXPECT_EQ(ValueAt(registry, "A", 0).data, standin::TextValue("\xC3\xBC"));
  }
}

TEST(ApplyRegFile, KeysMeetWhateverTheirCaseAndValuesKeepFileOrder) {
  standin::Registry registry;
  ASSERT_EQ(ApplyRegFile(Utf8File(std::string(kV5) +
                                  "[HKEY_LOCAL_MACHINE\\Soft\\Key]\n\"b\"=\"1\"\n"
                                  "[hkey_local_machine\\SOFT\\KEY]\n\"a\"=\"2\"\n\"B\"=\"3\"\n"),
                         registry),
            std::nullopt);
  ASSERT_EQ(registry.Keys().size(), 1u);
  EXPECT_EQ(registry.Keys()[0].path, "Soft\\Key");
  EXPECT_EQ(ValueAt(registry, "soft\\key", 0).data, standin::TextValue("3"));
  EXPECT_EQ(ValueAt(registry, "soft\\key", 1).name, "a");
}

TEST(ApplyRegFile, RemovesKeysWithTheirSubkeysAndSingleValues) {
  standin::Registry registry;
  ASSERT_EQ(ApplyRegFile(Utf8File(std::string(kV5) +
                                  "[HKEY_LOCAL_MACHINE\\X]\n\"keep\"=\"1\"\n\"drop\"=\"2\"\n"
                                  "[HKEY_LOCAL_MACHINE\\X\\Y]\n[HKEY_LOCAL_MACHINE\\XY]\n"
                                  "[-HKEY_LOCAL_MACHINE\\X\\Y]\n"
                                  "[HKEY_LOCAL_MACHINE\\X]\n\"DROP\"=-\n"),
                         registry),
            std::nullopt);
  EXPECT_EQ(registry.Find("X\\Y"), nullptr);
  EXPECT_NE(registry.Find("XY"), nullptr);
  ASSERT_EQ(registry.Find("X")->values.size(), 1u);
  EXPECT_EQ(ValueAt(registry, "X", 0).name, "keep");
}

struct MalformedCase {
  std::string name;
  Bytes file;
  std::string error;  // the start of the message
};

Bytes V5(const std::string& body) {
  return Utf8File(std::string(kV5) + "[HKEY_LOCAL_MACHINE\\K]\n" + body);
}

const MalformedCase kMalformed[] = {
    {"Empty", Bytes{}, "line 1: not a registry export"},
    {"NoHeader", Utf8File("[HKEY_LOCAL_MACHINE\\K]\n"), "line 1: not a registry export"},
    {"OtherVersion", Utf8File("Windows Registry Editor Version 4.00\n"), "line 1:"},
    {"ValueBeforeKey", Utf8File(std::string(kV5) + "\"a\"=\"b\"\n"), "line 3: a value outside"},
    {"ValueAfterRemovedKey", V5("[-HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"b\"\n"), "line 5:"},
    {"KeyWithoutBracket", V5("[HKEY_LOCAL_MACHINE\\L\n"), "line 4: a key line must end"},
    {"OtherHive", V5("[HKEY_CURRENT_USER\\L]\n"), "line 4: not a key below"},
    {"HiveItself", V5("[HKEY_LOCAL_MACHINE]\n"), "line 4: not a key below"},
    {"EmptyKeyPart", V5("[HKEY_LOCAL_MACHINE\\A\\\\B]\n"), "line 4: not a key below"},
    {"UnterminatedText", V5("\"a\"=\"abc\n"), "line 4: unreadable value data"},
    {"UnknownEscape", V5("\"a\"=\"a\\qb\"\n"), "line 4: unreadable value data"},
    {"JunkAfterText", V5("\"a\"=\"x\" y\n"), "line 4: unreadable value data"},
    {"UnquotedName", V5("\"a=\"x\"\n"), "line 4: no = after"},
    {"NoEquals", V5("\"a\" \"x\"\n"), "line 4: no = after"},
    {"BadHexDigit", V5("\"a\"=hex:01,0g\n"), "line 4: unreadable"},
    {"HexByteTooLong", V5("\"a\"=hex:123\n"), "line 4: unreadable"},
    {"EmptyHexItem", V5("\"a\"=hex:01,,02\n"), "line 4: unreadable"},
    {"HexTypeUnclosed", V5("\"a\"=hex(2:00\n"), "line 4: unreadable"},
    {"HexTypeTooLarge", V5("\"a\"=hex(123456789):00\n"), "line 4: unreadable"},
    {"DwordTooLong", V5("\"a\"=dword:123456789\n"), "line 4: unreadable"},
    {"DwordEmpty", V5("\"a\"=dword:\n"), "line 4: unreadable"},
    {"UnknownForm", V5("\"a\"=qword:1\n"), "line 4: unreadable"},
    {"ContinuationAtEnd", V5("\"a\"=\"b\"\n\"c\"=hex:01,\\"), "line 5: the value continues"},
    {"BadContinuedLine", V5("\"c\"=hex:01,\\\n  zz\n"), "line 4: unreadable"},
    {"StrayLine", V5("garbage\n"), "line 4: neither a key"},
    {"Utf16HalfCharacter", Bytes{0xFF, 0xFE, 'R', 0, '\n', 0, 'x'}, "line 2: the UTF-16 file ends"},
    {"Utf16LoneSurrogate", Bytes{0xFF, 0xFE, 'R', 0, '\n', 0, '\n', 0, 0x00, 0xDC},
     "line 3: a lone"},
};

class MalformedRegFileTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedRegFileTest, IsRefusedNamingTheLine) {
  standin::Registry registry;
  const std::optional<std::string> error = ApplyRegFile(GetParam().file, registry);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->substr(0, GetParam().error.size()), GetParam().error) << *error;
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedRegFileTest, ::testing::ValuesIn(kMalformed),
                         quorvex::testing::RowName());

}  // namespace
}  // namespace quorvex::replay

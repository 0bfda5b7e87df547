#include "capture/reg_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay/reg_file.h"
#include "standin/model/machine.h"
#include "support/param_name.h"

namespace quorvex::capture {
namespace {

using standin::Bytes;

Bytes Units(std::u16string_view text) {
  Bytes bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

Bytes Narrow(std::string_view text) { return Bytes(text.begin(), text.end()); }

// One value written and read back: `want` is what the narrow functions
// answer for it, which is what the replay must hold.
struct ValueCase {
  std::string name;
  RegExportValue value;
  std::string wantName;
  Bytes wantData;
};

class RegExportValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegExportValueTest, ReadsBackAsTheNarrowFunctionsAnswer) {
  const ValueCase& row = GetParam();
  // A value before and after catches a line that swallows or splits its neighbours.
  const std::vector<RegExportKey> keys = {
      {u"SOFTWARE\\Made Up",
       {{u"before", 1, Utf16TextData(u"b")}, row.value, {u"after", 4, {1, 2, 3, 4}}}}};
  standin::Registry registry;
  ASSERT_EQ(replay::ApplyRegFile(WriteRegFile(keys), registry), std::nullopt);
  const standin::RegKeyData* key = registry.Find("SOFTWARE\\Made Up");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 3u);
  EXPECT_EQ(key->values[0].data, standin::TextValue("b"));
  EXPECT_EQ(key->values[1].name, row.wantName);
  EXPECT_EQ(key->values[1].type, row.value.type);
  EXPECT_EQ(key->values[1].data, row.wantData);
  EXPECT_EQ(key->values[2].name, "after");
  EXPECT_EQ(key->values[2].data, (Bytes{1, 2, 3, 4}));
}

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

const ValueCase kValueCases[] = {
    {"PlainText", {u"Text", 1, Utf16TextData(u"abc")}, "Text", standin::TextValue("abc")},
    {"QuotesAndBackslashes",
     {u"Path", 1, Utf16TextData(u"C:\\dir\\\"q\"\\")},
     "Path",
     standin::TextValue("C:\\dir\\\"q\"\\")},
    {"NonAscii",
     {u"Desc", 1, Utf16TextData(u"Gr\u00F6\u00DFe \u03A9 \U0001F600")},
     "Desc",
     standin::TextValue("Gr\xC3\xB6\xC3\x9F"
                        "e \xCE\xA9 \xF0\x9F\x98\x80")},
    {"EmptyText", {u"Empty", 1, Utf16TextData(u"")}, "Empty", Bytes{0}},
    {"NoDataAtAll", {u"Nothing", 1, {}}, "Nothing", Bytes{}},
    {"TextWithoutItsNul", {u"Open", 1, Units(u"ab")}, "Open", Narrow("ab")},
    {"TextWithInnerNul",
     {u"Inner", 1, Units(std::u16string(u"a\0b\0", 4))},
     "Inner",
     Bytes{'a', 0, 'b', 0}},
    {"TextWithLineBreaks",
     {u"Lines", 1, Utf16TextData(u"one\r\ntwo")},
     "Lines",
     standin::TextValue("one\r\ntwo")},
    {"TextWithLoneSurrogate",
     {u"Lone", 1, Utf16TextData(u"a\xD800z")},
     "Lone",
     standin::TextValue("a\xEF\xBF\xBDz")},
    {"TextOfOddByteCount", {u"Odd", 1, Bytes{'a', 0, 'b'}}, "Odd", Narrow("a")},
    {"ExpandStaysUnexpanded",
     {u"Expand", 2, Utf16TextData(u"%SystemRoot%\\x")},
     "Expand",
     standin::TextValue("%SystemRoot%\\x")},
    {"MultiText",
     {u"Multi", 7, Units(std::u16string(u"a\0\u00E9\0\0", 5))},
     "Multi",
     Bytes{'a', 0, 0xC3, 0xA9, 0, 0}},
    {"Dword", {u"Count", 4, {0x2A, 0, 0, 0x80}}, "Count", Bytes{0x2A, 0, 0, 0x80}},
    {"DwordOfWrongSize", {u"Short", 4, {1, 2, 3}}, "Short", Bytes{1, 2, 3}},
    {"Qword", {u"Quad", 11, {1, 2, 3, 4, 5, 6, 7, 8}}, "Quad", Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
    {"NoneType", {u"None", 0, {}}, "None", Bytes{}},
    {"UnknownType", {u"Vendor", 0x10000, {0xAA}}, "Vendor", Bytes{0xAA}},
    {"BigBinary", {u"Table", 3, Pattern(3000)}, "Table", Pattern(3000)},
    {"DefaultValue", {u"", 1, Utf16TextData(u"default")}, "", standin::TextValue("default")},
    {"NameWithQuotesAndBackslash",
     {u"a\"b\\c", 1, Utf16TextData(u"x")},
     "a\"b\\c",
     standin::TextValue("x")},
    {"NonAsciiName",
     {u"\u00C4nderung \U0001F600", 3, {9}},
     "\xC3\x84nderung \xF0\x9F\x98\x80",
     Bytes{9}},
    {"NameWithLoneSurrogate", {u"n\xDC00", 3, {9}}, "n\xEF\xBF\xBD", Bytes{9}},
    {"NameWithLineBreak", {u"two\nlines", 3, {9}}, "two\nlines", Bytes{9}},
    {"LongNameBeforeHex",
     {std::u16string(100, u'N'), 3, Pattern(40)},
     std::string(100, 'N'),
     Pattern(40)},
};
INSTANTIATE_TEST_SUITE_P(Values, RegExportValueTest, ::testing::ValuesIn(kValueCases),
                         quorvex::testing::RowName());

TEST(RegExport, KeysKeepTheirOrderPathsAndValueOrder) {
  const std::vector<RegExportKey> keys = {
      {u"SYSTEM\\Enum\\PCI\\VEN_10DE&DEV_0001\\4&AB&0&0008",
       {{u"Z", 1, Utf16TextData(u"z")}, {u"A", 1, Utf16TextData(u"a")}}},
      {u"SYSTEM\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000", {}},
      {u"SOFTWARE\\Made Up [x] \u00FC\\Devices\\0", {{u"GPU UUID", 3, {0x52, 0}}}},
  };
  standin::Registry registry;
  ASSERT_EQ(replay::ApplyRegFile(WriteRegFile(keys), registry), std::nullopt);
  ASSERT_EQ(registry.Keys().size(), 3u);
  EXPECT_EQ(registry.Keys()[0].path, "SYSTEM\\Enum\\PCI\\VEN_10DE&DEV_0001\\4&AB&0&0008");
  ASSERT_EQ(registry.Keys()[0].values.size(), 2u);
  EXPECT_EQ(registry.Keys()[0].values[0].name, "Z") << "values stay in the order given";
  EXPECT_EQ(registry.Keys()[1].path,
            "SYSTEM\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000");
  EXPECT_TRUE(registry.Keys()[1].values.empty());
  EXPECT_EQ(registry.Keys()[2].path, "SOFTWARE\\Made Up [x] \xC3\xBC\\Devices\\0");
}

// regedit's own form, which `wine reg import` and Windows' regedit also take.
TEST(RegExport, FileIsUtf16WithMarkCrlfAndNarrowHexLines) {
  const std::vector<RegExportKey> keys = {
      {u"SOFTWARE\\Made Up", {{u"Table", 3, Pattern(500)}, {u"T", 2, Utf16TextData(u"x")}}}};
  const Bytes file = WriteRegFile(keys);
  ASSERT_GE(file.size(), 2u);
  ASSERT_EQ(file[0], 0xFF);
  ASSERT_EQ(file[1], 0xFE);
  ASSERT_EQ(file.size() % 2, 0u);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
    text.push_back(static_cast<char16_t>(file[i] | (file[i + 1] << 8)));
  }
  EXPECT_EQ(text.rfind(u"Windows Registry Editor Version 5.00\r\n", 0), 0u);
  std::size_t lines = 0;
  for (std::size_t start = 0, end = text.find(u'\n'); end != std::u16string::npos;
       start = end + 1, end = text.find(u'\n', start), ++lines) {
    ASSERT_GT(end, start) << "a bare LF";
    EXPECT_EQ(text[end - 1], u'\r') << "line " << lines + 1 << " does not end in CRLF";
    EXPECT_LE(end - 1 - start, 80u) << "line " << lines + 1 << " is wider than regedit's";
  }
  EXPECT_GT(lines, 20u) << "500 bytes of hex fit on no fewer lines";
}

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::u16string want;
};

class Utf16FromUtf8Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf16FromUtf8Test, ConvertsOrReplacesEachBadByte) {
  EXPECT_EQ(Utf16FromUtf8(GetParam().utf8), GetParam().want);
}

const Utf8Case kUtf8Cases[] = {
    {"Ascii", "PCI\\VEN_10DE", u"PCI\\VEN_10DE"},
    {"AllLengths", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600"},
    {"Overlong", "\xC0\xAF", u"\xFFFD\xFFFD"},
    {"EncodedSurrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
    {"CutAtTheEnd", "a\xE2\x82", u"a\xFFFD\xFFFD"},
    {"BeyondUnicode", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    {"LoneContinuation", "\x80z", u"\xFFFDz"},
};
INSTANTIATE_TEST_SUITE_P(Texts, Utf16FromUtf8Test, ::testing::ValuesIn(kUtf8Cases),
                         quorvex::testing::RowName());

}  // namespace
}  // namespace quorvex::capture

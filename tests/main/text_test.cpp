// Text services: replacement, case folding, numbers and the clipboard's edge conversions,
// under UTF-8 and Shift-JIS.

#include <gtest/gtest.h>

#include "codepage.h"
#include "error.h"
#include "text.h"

namespace qm {
namespace {

const CodePage kUtf8 = CodePage::utf8();
const CodePage kSjis = CodePage::shift_jis();

// Test texts are written in UTF-8 and taken into each code page.
std::string in(const CodePage& cp, const char* utf8) { return from_utf8(utf8, cp); }

class BothCodePages : public ::testing::TestWithParam<CodePage> {};
INSTANTIATE_TEST_SUITE_P(, BothCodePages, ::testing::Values(kUtf8, kSjis),
                         [](const auto& info) { return info.param.is_utf8() ? "Utf8" : "ShiftJis"; });

TEST_P(BothCodePages, ReplaceAll) {
  const CodePage& cp = GetParam();
  struct Case {
    const char *text, *from, *to, *want;
  } cases[] = {
      {"a\r\nb\r\nc", "\r\n", "<br>\r\n", "a<br>\r\nb<br>\r\nc"},
      {"\r\n\r\n", "\r\n", " ", "  "},
      {"aaa", "aa", "b", "ba"},  // no overlap, left to right
      {"'_blank'", "'", "\"", "\"_blank\""},
      {"xyz", "", "q", "xyz"},
      {"日本語\r\nテキスト", "\r\n", "<br />\r\n", "日本語<br />\r\nテキスト"},
      {"a\nb", "\r\n", "X", "a\nb"},  // a lone LF is no line break
      {"-b-b", "-b", "0", "00"},
      {"-B60", "-b", "0", "-B60"},  // exact: case counts
  };
  for (const Case& c : cases)
    EXPECT_EQ(replace_all(in(cp, c.text), c.from, c.to, cp), in(cp, c.want)) << c.text;
}

TEST_P(BothCodePages, ReplaceAllIgnoringCase) {
  const CodePage& cp = GetParam();
  struct Case {
    const char *text, *from, *to, *want;
  } cases[] = {
      {"-D=60", "-d=", "0", "060"},
      {"-c=Name-C=x", "-c=", "", "Namex"},  // unreplaced bytes keep their case
      {"-a=_Blank", "-A=", "", "_Blank"},
      {"な-d=5", "-d=", "0", "な05"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(replace_all_icase(in(cp, c.text), c.from, c.to, cp), in(cp, c.want)) << c.text;
}

TEST(ShiftJis, NoMatchStartsInsideADoubleByteCharacter) {
  // ア is 83 41 and ソ is 83 5C in Shift-JIS: their second bytes are 'A' and '\'.
  const std::string a = "\x83\x41", so = "\x83\x5C";
  EXPECT_EQ(replace_all(a + "A", "A", "b", kSjis), a + "b");
  EXPECT_EQ(replace_all_icase(a + "a", "a", "b", kSjis), a + "b");
  EXPECT_EQ(replace_all(so + "\\", "\\", "/", kSjis), so + "/");
  // The same bytes read as single bytes would have matched twice.
  EXPECT_EQ(replace_all(a + "A", "A", "b", CodePage::from_codeset("ISO-8859-1")), "\x83" "bb");
}

TEST(Utf8, MalformedBytesAreSteppedOneByOne) {
  // A stray lead byte must not swallow the quote after it.
  EXPECT_EQ(replace_all("\xE3'x", "'", "\"", kUtf8), "\xE3\"x");
  EXPECT_EQ(kUtf8.char_length("\xE3\x81", 0), 1u);
  EXPECT_EQ(kUtf8.char_length("\xE3\x81\x82", 0), 3u);
  EXPECT_EQ(kSjis.char_length("\x83", 0), 1u);
}

TEST(Text, StartsWithIgnoringCase) {
  struct Case {
    const char *text, *prefix;
    bool want;
  } cases[] = {
      {"http://x", "http://", true}, {"HTTP://x", "http://", true}, {"Http:/", "http://", false},
      {"https://x", "http://", false}, {"-A", "-a", true},          {"", "-a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(starts_with_icase(c.text, c.prefix), c.want) << c.text;
}

TEST_P(BothCodePages, NumberConversion) {
  const CodePage& cp = GetParam();
  struct Case {
    const char* text;
    std::int32_t want;
  } good[] = {
      {"0", 0},          {"060", 60},          {"2147483647", 2147483647}, {"0x3C", 60},
      {"0X3c", 60},      {"0xFFFFFFFF", -1},   {"0x80000000", INT32_MIN},  {"0x00000000FF", 255},
      {"000000000000000000012", 12},
  };
  for (const Case& c : good) EXPECT_EQ(to_int32(c.text, cp), c.want) << c.text;

  struct Bad {
    const char *text, *message;
  } bad[] = {
      {"06a", "'06a' は整数ではありません"},
      {"", "'' は整数ではありません"},
      {"0x", "'0x' は整数ではありません"},
      {"2147483648", "'2147483648' は整数ではありません"},
      {"0x100000000", "'0x100000000' は整数ではありません"},
      {"0-5", "'0-5' は整数ではありません"},
      {" 60", "' 60' は整数ではありません"},
      {"0６０", "'0６０' は整数ではありません"},
      {"-B60", "'-B60' は整数ではありません"},
  };
  for (const Bad& c : bad) {
    try {
      to_int32(in(cp, c.text), cp);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(Text, LineBreakMapping) {
  struct Case {
    const char *lf, *crlf;
  } cases[] = {
      {"", ""}, {"a", "a"}, {"a\nb", "a\r\nb"}, {"\n\n", "\r\n\r\n"}, {"a\r\nb", "a\r\nb"}, {"\r\r\n", "\r\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(lf_to_crlf(c.lf), c.crlf) << c.lf;
  EXPECT_EQ(crlf_to_lf("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(crlf_to_lf("a\rb\n"), "a\rb\n");
  // Any text without CR round-trips.
  const std::string lf_only = "x\n\ny\nz\n";
  EXPECT_EQ(crlf_to_lf(lf_to_crlf(lf_only)), lf_only);
}

TEST(CodePageConversion, ShiftJisRoundTripAndReferences) {
  const std::string utf8 = "日本語テキスト、半角ｶﾅ and ASCII";
  const std::string sjis = from_utf8(utf8, kSjis);
  EXPECT_EQ(sjis.size(), 2 * 10 + 2 + std::string(" and ASCII").size());
  EXPECT_EQ(to_utf8(sjis, kSjis), utf8);
  // What Shift-JIS cannot hold becomes a character reference, never dropped.
  EXPECT_EQ(from_utf8("a😀b", kSjis), "a&#x1F600;b");
  EXPECT_EQ(from_utf8("Ω€", kSjis), from_utf8("Ω", kSjis) + "&#x20AC;");
  // Bytes that are not UTF-8 are kept.
  EXPECT_EQ(from_utf8("a\xFF" "b", kSjis), "a\xFF" "b");
  // Under UTF-8 nothing is converted, not even invalid bytes.
  EXPECT_EQ(from_utf8("a\xFF\xC3", kUtf8), "a\xFF\xC3");
}

TEST(CodePageConversion, LocaleNames) {
  EXPECT_TRUE(CodePage::from_codeset("UTF-8").is_utf8());
  EXPECT_TRUE(CodePage::from_codeset("ANSI_X3.4-1968").is_utf8());  // the C locale loses nothing
  EXPECT_EQ(CodePage::from_codeset("SHIFT_JIS"), kSjis);
  EXPECT_EQ(CodePage::from_codeset("sjis"), kSjis);
  EXPECT_EQ(CodePage::from_codeset("EUC-JP").kind(), CodePage::Kind::EucJp);
}

}  // namespace
}  // namespace qm

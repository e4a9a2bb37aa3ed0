// Text services: replacement, case folding, numbers and the clipboard's edge conversions,
// under UTF-8 and Shift-JIS.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "codepage.h"
#include "command_line.h"
#include "error.h"
#include "html_forms.h"
#include "text.h"
#include "utf16.h"

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
      {"aaaa", "aa", "bbb", "bbbbbb"},
      {"aaa", "aa", "bbb", "bbba"},  // a pattern with a border is found from the left
      {"\r\nx\r\n\r\n", "\r\n", "<br />\r\n", "<br />\r\nx<br />\r\n<br />\r\n"},  // filled from the back
      {"x\r\n", "\r\n", "", "x"},
      {"%u and %u%u", "%u", "https://x/", "https://x/ and https://x/https://x/"},
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
  // A longer replacement of a pattern that may start inside a character: built anew.
  EXPECT_EQ(replace_all(a + "A" + a, "A", "bcd", kSjis), a + "bcd" + a);
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

// The line-break passes and the searches for CR, LF, quotes and option letters scan bytes
// without stepping over characters: no such byte is ever part of a multibyte character.
TEST(Text, ControlAndAsciiBytesNeverStandInsideACharacter) {
  const CodePage euc = CodePage::from_codeset("EUC-JP");
  for (const CodePage& cp : {kUtf8, kSjis, euc}) {
    int inside = 0, characters = 0;
    for (unsigned a = 0x80; a < 256; ++a)
      for (unsigned b = 1; b < 256; ++b)
        for (unsigned c : {0x41u, 0xA1u, 0xBFu}) {
          const std::string code{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)};
          const std::size_t len = cp.char_length(code, 0);
          characters += len > 1;
          for (std::size_t i = 1; i < len; ++i) inside += cp.never_inside_character(static_cast<unsigned char>(code[i]));
        }
    EXPECT_EQ(inside, 0) << cp.iconv_name();
    EXPECT_GT(characters, 1000) << cp.iconv_name();
    for (char byte : {'\r', '\n', '"', '\'', '-', '%', ' '}) EXPECT_TRUE(cp.never_inside_character(byte));
  }
  EXPECT_FALSE(kSjis.never_inside_character('A'));  // ア is 83 41
  EXPECT_FALSE(kSjis.never_inside_character('\\'));
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
  struct Back {
    const char *crlf, *lf;
  } back[] = {{"a\r\nb\r\n", "a\nb\n"}, {"a\rb\n", "a\rb\n"}, {"\r\n\r\n", "\n\n"}, {"\r\r\n", "\r\n"},
              {"a\r", "a\r"},           {"\r\nx", "\nx"},       {"", ""}};
  for (const Back& b : back) EXPECT_EQ(crlf_to_lf(b.crlf), b.lf) << b.crlf;
  // Any text without CR round-trips.
  const std::string lf_only = "x\n\ny\nz\n";
  EXPECT_EQ(crlf_to_lf(lf_to_crlf(lf_only)), lf_only);
}

// The passes that work in place and sixteen bytes at a time, against plain byte loops,
// over texts of every length around the block size and of several chunks, with breaks at
// every place.
TEST(Text, LineBreakPassesAgreeWithByteLoops) {
  auto lf_to_crlf_ref = [](const std::string& t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r')) out += '\r';
      out += t[i];
    }
    return out;
  };
  auto crlf_to_lf_ref = [](const std::string& t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i)
      if (!(t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n')) out += t[i];
    return out;
  };
  const char alphabet[] = {'a', '\r', '\n', '\xE3', 'b', 'c', 'd', 'e'};
  unsigned seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string t;
    const std::size_t size = round % 70 + (round % 3 == 0 ? 130 : 0);  // around one block, and several chunks
    for (std::size_t i = 0; i < size; ++i) {
      seed = seed * 1103515245 + 12345;
      t += alphabet[(seed >> 16) % (round % 2 ? 8 : 3)];
    }
    ASSERT_EQ(lf_to_crlf(t), lf_to_crlf_ref(t)) << ::testing::PrintToString(t);
    ASSERT_EQ(crlf_to_lf(t), crlf_to_lf_ref(t)) << ::testing::PrintToString(t);
    ASSERT_EQ(frame_and_mark(t, "", "<br />", "").bytes, replace_all(t, "\r\n", "<br />\r\n", kUtf8))
        << ::testing::PrintToString(t);
    // Framed, with the text's own buffer short of room or not.
    for (const auto& [head, tail] : {std::pair{"", ""}, {"<q>", ""}, {"", "\n</q>"}, {"<a href=\"x\">", "</a>"}}) {
      std::string roomy = t;
      roomy.reserve(t.size() * 8 + 32);
      const std::string want_crlf = head + replace_all(t, "\r\n", "<br>\r\n", kUtf8) + tail;
      ASSERT_EQ(frame_and_mark(t, head, "<br>", tail).bytes, want_crlf) << ::testing::PrintToString(t);
      ASSERT_EQ(frame_and_mark(std::move(roomy), head, "<br>", tail).bytes, want_crlf) << ::testing::PrintToString(t);
      ASSERT_EQ(frame_and_mark(t, head, "", tail).bytes, head + t + tail) << ::testing::PrintToString(t);
      // Kept as lone LFs, each LF is a line break.
      const std::string want_lf = head + replace_all(t, "\n", "<br>\n", kUtf8) + tail;
      if (std::string_view(tail).find('\n') == std::string_view::npos) {
        std::string roomy_lf = t;
        roomy_lf.reserve(t.size() * 8 + 32);
        ASSERT_EQ(frame_and_mark(Text(t, true), head, "<br>", tail).bytes, want_lf) << ::testing::PrintToString(t);
        ASSERT_EQ(frame_and_mark(Text(std::move(roomy_lf), true), head, "<br>", tail).bytes, want_lf)
            << ::testing::PrintToString(t);
      }
    }
  }
}

// A text kept as lone LFs (each LF a line break, as the clipboard edge hands over a text read
// without CR LF of its own) goes through every line-break operation as its CR LF form does:
// an LF desktop gets the same of both results. Where a piece holds a lone LF of its own,
// which is no line break, the text takes the CR LF form.
TEST(Text, LoneLfsActAsTheirCrLfForm) {
  auto on_lf_desktop = [](const Text& t) { return t.lf_breaks ? t.bytes : crlf_to_lf(t.bytes); };
  const char alphabet[] = {'a', '\n', '\r', '\xE3', 'b'};
  const char* const pieces[] = {"", "<q>", "\r\n<a>", "x\r", "\r\n\r\n", "\n</q>", "a\nb"};
  unsigned seed = 2024;
  for (int round = 0; round < 600; ++round) {
    std::string t;
    const std::size_t size = round % 40 + (round % 5 == 0 ? 100 : 0);
    for (std::size_t i = 0; i < size; ++i) {
      seed = seed * 1103515245 + 12345;
      t += alphabet[(seed >> 16) % (round % 2 ? 5 : 2)];
    }
    const Text lf(t, true);
    const Text crlf(replace_all(t, "\n", "\r\n", kUtf8));
    const std::string shown = ::testing::PrintToString(t);
    ASSERT_EQ(crlf_size(lf), crlf.bytes.size()) << shown;
    ASSERT_EQ(crlf_bytes(lf), crlf.bytes) << shown;
    for (const bool first : {false, true})
      for (const char* with : {"", " "})
        ASSERT_EQ(on_lf_desktop(replace_line_breaks(lf, with, first)),
                  crlf_to_lf(replace_line_breaks(crlf, with, first).bytes)) << shown;
    ASSERT_EQ(on_lf_desktop(mark_first_line_break(lf, "<br>")), crlf_to_lf(mark_first_line_break(crlf, "<br>").bytes))
        << shown;
    for (const char* head : pieces)
      for (const char* insert : {"", "<br>", "\r", "\n"})
        for (const char* tail : pieces)
          ASSERT_EQ(on_lf_desktop(frame_and_mark(lf, head, insert, tail)),
                    crlf_to_lf(frame_and_mark(crlf, head, insert, tail).bytes))
              << shown << " " << ::testing::PrintToString(std::string(head) + "|" + insert + "|" + tail);
  }
  // The form is kept wherever the pieces allow it, so neither edge moves the text's bytes.
  struct Case {
    const char *head, *insert, *tail;
    bool kept;
  } cases[] = {
      {"<a>", "<br>", "</a>", true},
      {"", "<br />", "\r\n<a href=\"u\">u</a>", true},
      {"*<a>", "", "</a>\r\n\r\n", true},
      {"x\r", "", "", true},
      {"", "", "\n</a>", false},
      {"a\nb", "<br>", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(frame_and_mark(Text("p\nq", true), c.head, c.insert, c.tail).lf_breaks, c.kept) << c.tail;
  EXPECT_EQ(replace_line_breaks(Text("1\n2\n3", true), " ").bytes, "1 2 3");
  EXPECT_EQ(replace_line_breaks(Text("1\n2\n3", true), "", true).bytes, "12\n3");
  EXPECT_EQ(mark_first_line_break(Text("1\r2\n3\n", true), "<br>").bytes, "1\r2<br>\n3\n");
  EXPECT_EQ(mark_first_line_break(Text("1\n2\r\n3"), "<br>").bytes, "1\n2<br>\r\n3");
  EXPECT_EQ(crlf_size(Text("日本\n", true)), std::string("日本").size() + 2);
}

// Page text in HTML: the four characters escaped, line breaks and multibyte characters left,
// and the references that the conversion wrote kept as references.
TEST_P(BothCodePages, HtmlEscaping) {
  const CodePage& cp = GetParam();
  struct Case {
    const char* utf8;  // as the desktop gives it
    const char* want;  // UTF-8; "〜" stands for the form each code page gives it
  } cases[] = {
      {"", ""},
      {"plain 日本語\r\nline", "plain 日本語\r\nline"},
      {"a < b", "a &lt; b"},
      {"<br>", "&lt;br&gt;"},
      {"Tom & \"Jerry\"", "Tom &amp; &quot;Jerry&quot;"},
      {"&amp;", "&amp;amp;"},                            // an entity in the selection is text too
      {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
      {"〜&〜<", "〜&amp;〜&lt;"},                      // a reference beside an escaped character
      {"&#x301C;〜", "&amp;#x301C;〜"},                 // a reference written in the page is text
      {"表\">\n", "表&quot;&gt;\n"},                 // 0x955C: a trail byte that is a backslash
  };
  for (const Case& c : cases) {
    std::vector<std::size_t> references;
    const std::string text = from_utf8(c.utf8, cp, &references);
    std::string want = replace_all(c.want, "〜", cp.is_utf8() ? "〜" : "&#x301C;", kUtf8);
    want = from_utf8(want, cp);
    EXPECT_EQ(escape_html(text, references), want) << c.utf8;
    // In a buffer with room to grow in place, alike.
    std::string roomy = text;
    roomy.reserve(text.size() * 6 + 16);
    EXPECT_EQ(escape_html(std::move(roomy), references), want) << c.utf8;
  }
  // Offsets that name no "&" of the text change nothing.
  EXPECT_EQ(escape_html("a<b&", std::vector<std::size_t>{0, 1, 9}), "a&lt;b&amp;");
  EXPECT_EQ(escape_html("&#x1F600;&", std::vector<std::size_t>{0}), "&#x1F600;&amp;");
}

// Escaping sixteen bytes at a time against a byte loop, around the block size and beyond the
// lanes' count, with some "&" kept as references.
TEST(Text, HtmlEscapingAgreesWithAByteLoop) {
  const char alphabet[] = {'a', '<', '&', '>', '"', '\n', 'b', 'c'};
  unsigned seed = 4711;
  auto next = [&] { return (seed = seed * 1103515245 + 12345) >> 16; };
  for (int round = 0; round < 2000; ++round) {
    std::string t;
    const std::size_t size = round % 50 + (round % 4 == 0 ? 900 : 0);
    for (std::size_t i = 0; i < size; ++i) t += alphabet[next() % (round % 3 ? 8 : 2) + (round % 3 ? 0 : 6)];
    std::vector<std::size_t> references;
    std::string want;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '&' && next() % 3 == 0) {
        references.push_back(i);
        want += '&';
        continue;
      }
      switch (t[i]) {
        case '&': want += "&amp;"; break;
        case '<': want += "&lt;"; break;
        case '>': want += "&gt;"; break;
        case '"': want += "&quot;"; break;
        default: want += t[i];
      }
    }
    ASSERT_EQ(escape_html(t, references), want) << ::testing::PrintToString(t);
  }
}

TEST(CodePageConversion, ShiftJisRoundTripAndReferences) {
  const std::string utf8 = "日本語テキスト、半角ｶﾅ and ASCII";
  const std::string sjis = from_utf8(utf8, kSjis);
  EXPECT_EQ(sjis.size(), 2 * 10 + 2 + std::string(" and ASCII").size());
  EXPECT_EQ(to_utf8(sjis, kSjis), utf8);
  // What Shift-JIS cannot hold becomes a character reference, never dropped.
  EXPECT_EQ(from_utf8("a😀b", kSjis), "a&#x1F600;b");
  EXPECT_EQ(from_utf8("Ω€", kSjis), from_utf8("Ω", kSjis) + "&#x20AC;");
  // Bytes that are not UTF-8 are no character: U+FFFD, which Shift-JIS lacks.
  EXPECT_EQ(from_utf8("a\xFF" "b", kSjis), "a&#xFFFD;b");
  // Under UTF-8 nothing is converted, not even invalid bytes.
  EXPECT_EQ(from_utf8("a\xFF\xC3", kUtf8), "a\xFF\xC3");
}

const CodePage kEuc = CodePage::from_codeset("EUC-JP");

TEST(CodePageConversion, BytesThatFormNoCharacterBecomeReplacements) {
  const std::string r = "\uFFFD";
  struct Case {
    const CodePage& cp;
    const char* text;
    std::string utf8;
  } cases[] = {
      {kSjis, "a\x81", "a" + r},          // a lead byte at the end
      {kSjis, "\xA0", r},                  // no character at all
      {kSjis, "\xFD\xFE\xFF", r + r + r},
      {kSjis, "\x80x", r + "x"},
      {kSjis, "\x85\x40", r + "@"},        // an unassigned pair: the lead alone is replaced
      {kSjis, "\x81\x7F", r + "\x7F"},     // 0x7F is no trail byte
      {kSjis, "\x82\xA0\x81", "\u3042" + r},
      {kEuc, "\xA1", r},
      {kEuc, "\xFF\xA4\xA2", r + "\u3042"},
      {kEuc, "\x8E\xE0", r + r},           // no half-width kana there
      {kEuc, "\x8F\xA1", r + r},           // a three-byte code cut short
      {kEuc, "\xA9\xA1", r + r},           // an unassigned row
  };
  for (const Case& c : cases) EXPECT_EQ(to_utf8(c.text, c.cp), c.utf8) << c.text;

  // Invalid UTF-8 from the desktop never reaches the code page raw.
  struct Back {
    const char* utf8;
    const char* want;
  } back[] = {
      {"\xFF", "&#xFFFD;"},
      {"a\xE3\x81", "a&#xFFFD;&#xFFFD;"},  // a character cut short
      {"\xC0\xAF", "&#xFFFD;&#xFFFD;"},    // an overlong "/"
      {"\xED\xA0\x80", "&#xFFFD;&#xFFFD;&#xFFFD;"},  // a surrogate
      {"\x81\x40", "&#xFFFD;@"},           // Shift-JIS bytes where UTF-8 was expected
  };
  for (const CodePage& cp : {kSjis, kEuc})
    for (const Back& b : back) EXPECT_EQ(from_utf8(b.utf8, cp), b.want) << b.utf8;
  // X11's STRING is Latin-1: every byte is a character of its own.
  EXPECT_EQ(latin1_to_utf8("a\xE9\xFF\x80"), "aé\u00FF\u0080");
  // Under UTF-8 invalid bytes pass as they are, both ways.
  EXPECT_EQ(to_utf8("\x81\xFF", kUtf8), "\x81\xFF");
}

TEST(CodePageConversion, CharactersReadBackAsOthersBecomeReferences) {
  struct Case {
    const CodePage& cp;
    const char *utf8, *want_utf8;
  } cases[] = {
      {kSjis, "10時〜12時", "10時&#x301C;12時"},  // CP932 reads its 〜 back as ～
      {kSjis, "～", "～"},
      {kSjis, "−5 ¢ £ ¬ ‖", "&#x2212;5 &#xA2; &#xA3; &#xAC; &#x2016;"},
      {kSjis, "－ ￠ ￡ ￢ ∥", "－ ￠ ￡ ￢ ∥"},
      {kSjis, "¥‾", "&#xA5;&#x203E;"},              // 0x5C and 0x7E are "\" and "~"
      {kSjis, "①Ⅰ㈱髙", "①Ⅰ㈱髙"},                 // NEC and IBM extensions hold
      {kEuc, "10時〜12時 ～", "10時〜12時 ～"},     // EUC-JP holds both
      {kEuc, "¥‾—", "&#xA5;&#x203E;&#x2014;"},
      {kEuc, "ｱｲｳ", "ｱｲｳ"},
  };
  for (const Case& c : cases) EXPECT_EQ(to_utf8(from_utf8(c.utf8, c.cp), c.cp), c.want_utf8) << c.utf8;
}

TEST(CodePageConversion, WindowsCodePages) {
  EXPECT_TRUE(CodePage::from_windows(65001).is_utf8());
  EXPECT_EQ(CodePage::from_windows(932), kSjis);
  EXPECT_EQ(CodePage::from_windows(20932).kind(), CodePage::Kind::EucJp);
  const CodePage western = CodePage::from_windows(1252);
  EXPECT_EQ(western.kind(), CodePage::Kind::SingleByte);
  EXPECT_EQ(western.iconv_name(), "CP1252");
  // The same table on both platforms: iconv's CP1252 on Linux, Windows' own on Windows.
  EXPECT_EQ(from_utf8("é€😀", western), "\xE9\x80&#x1F600;");
  EXPECT_EQ(to_utf8("\xE9\x80", western), "é€");
}

TEST(Utf16, BothWaysAndNothingLost) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"a\r\nb", u"a\r\nb"},
      {"日本語", u"日本語"},
      {"😀", u"\xD83D\xDE00"},  // a surrogate pair
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\xFFFF\xDBFF\xDFFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8_to_utf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(utf16_to_utf8(c.utf16), c.utf8) << c.utf8;
  }
  // What is not UTF-8, or not UTF-16, becomes U+FFFD, one per byte as the code pages count.
  EXPECT_EQ(utf8_to_utf16("a\xFF\xE3\x81"), u"a\xFFFD\xFFFD\xFFFD");
  EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");  // a surrogate written as UTF-8
  EXPECT_EQ(utf16_to_utf8(u"\xD83Dx\xDE00"), "\uFFFDx\uFFFD");
  EXPECT_EQ(utf16_to_utf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(CommandLine, TheProgramsNameIsSkippedAsWindowsFindsIt) {
  struct Case {
    const char *line, *rest;
  } cases[] = {
      {"", ""},
      {"quotemill.exe", ""},
      {"quotemill.exe -a http://x/", " -a http://x/"},
      {"quotemill.exe\t-a", "\t-a"},
      {"\"C:\\Program Files\\q\\quotemill.exe\" -a \"x\"", " -a \"x\""},
      {"\"C:\\a b\\q.exe\"-a", "-a"},       // the rest starts right after the quote
      {"\"C:\\a b\\q.exe", ""},             // a quote never closed: all is the name
      {"C:\\a\"b c\" d", " c\" d"},           // a quote inside a plain name is no quote
      {"q.exe   ", "   "},
  };
  for (const Case& c : cases) EXPECT_EQ(arguments_after_program(c.line), c.rest) << c.line;
}

// The ten-digit offset after `field` in a CF_HTML header; -1 when there is none.
long cf_html_offset(const std::string& html, const std::string& field) {
  const std::size_t at = html.find("\r\n" + field + ":");
  if (at == std::string::npos) return -1;
  const std::string digits = html.substr(at + field.size() + 3, 10);
  if (digits.size() != 10 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::strtol(digits.c_str(), nullptr, 10);
}

TEST(HtmlForms, WindowsHeaderOffsetsAreExact) {
  const std::string fragments[] = {
      "",
      "<a href=\"http://example.com/\">link</a>",
      "<blockquote cite=\"http://example.com/\"><p>日本語の引用<br>\r\n二行目 &amp; 〜</p></blockquote>",
      std::string(20000, 'x') + "終",  // offsets past four digits
      "<!--StartFragment--> <!--EndFragment--> StartHTML:9999999999",  // the markers' own words in the text
  };
  for (const std::string& fragment : fragments) {
    const std::string html = cf_html(fragment);
    const std::string what = fragment.substr(0, 40);
    ASSERT_EQ(html.rfind("Version:0.9\r\n", 0), 0u) << what;
    const long start_html = cf_html_offset(html, "StartHTML"), end_html = cf_html_offset(html, "EndHTML");
    const long start = cf_html_offset(html, "StartFragment"), end = cf_html_offset(html, "EndFragment");
    ASSERT_TRUE(start_html > 0 && start_html <= start && start <= end && end <= end_html) << what;
    EXPECT_EQ(static_cast<std::size_t>(end_html), html.size()) << what;
    EXPECT_EQ(html.substr(static_cast<std::size_t>(start_html), 6), "<html>") << what;
    EXPECT_EQ(html.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), fragment) << what;
    // The comments that mark the fragment stand just around it, as readers look for them.
    EXPECT_EQ(html.substr(0, static_cast<std::size_t>(start)).rfind("<!--StartFragment-->"),
              static_cast<std::size_t>(start) - 20) << what;
    EXPECT_EQ(html.compare(static_cast<std::size_t>(end), 18, "<!--EndFragment-->"), 0) << what;
  }
}

TEST(HtmlForms, X11AndWaylandFormDeclaresUtf8BeforeTheFragment) {
  const std::string html = html_with_charset("<q cite=\"u\">引用</q>");
  EXPECT_EQ(html, "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"><q cite=\"u\">引用</q>");
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

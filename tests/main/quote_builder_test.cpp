// The worker's styles and options, as tables of arguments, selection and result.

#include <gtest/gtest.h>

#include "clipboard_memory.h"
#include "error.h"
#include "quote_builder.h"
#include "styles.h"
#include "text.h"
#include "worker.h"

namespace qm {
namespace {

const std::string U = "http://example.com/p";
const std::string H = "<a href=\"" + U + "\"";

// The quote of a text with CR LF line breaks.
std::string quote(std::vector<std::string> args, const std::string& text, const CodePage& cp = CodePage::utf8()) {
  const Arguments a("/usr/bin/quotemill", std::move(args));
  return build_quote(a, url_attribute(a, cp), text, cp).bytes;
}

TEST(QuoteBuilder, Styles) {
  const std::string T = "L1\r\nL2";
  struct Case {
    std::vector<std::string> args;
    std::string want;
  } cases[] = {
      {{"-a", U}, H + ">L1\r\nL2</a>"},
      {{"-a='_blank'", U}, H + " target=\"_blank\">L1\r\nL2</a>"},
      {{"-a=", U}, H + " target=>L1\r\nL2</a>"},
      {{"-a=_top", U}, H + " target=_top>L1\r\nL2</a>"},           // bare values stay bare
      {{"-A", U}, H + " target=-A>L1\r\nL2</a>"},                  // not "-a", but begins with it
      {{"-A='x'", U}, H + " target=\"x\">L1\r\nL2</a>"},            // "-a=" is removed case-blind
      {{"-q", U}, "<q cite=\"" + U + "\">L1\r\nL2</q>"},
      {{"-o", U}, "L1\r\nL2\r\n" + H + ">" + U + "</a>"},
      {{"-o='_top'", U}, "L1\r\nL2\r\n" + H + " target=\"_top\">" + U + "</a>"},
      {{"-hd", U}, "*" + H + ">L1\r\nL2</a>\r\n\r\n"},
      {{"-Q", U}, T},                                            // exact styles are case-exact
      {{U}, T},                                                  // only the URL: unchanged
      {{"-c='k'", U}, T},                                        // a class but no style
      {{"-x1", U}, T},
      {{"-a", "-c='class_name'", U}, H + " class=\"class_name\">L1\r\nL2</a>"},
      {{"-a", "-C='k'", U}, H + " class=\"k\">L1\r\nL2</a>"},
      {{"-c='k'", "-a", U}, T},                                  // class must be argument n - 1
      {{"-a", "-c='a", "b'", U}, H + ">L1\r\nL2</a>"},          // a class split at its blank is none
      {{"-q", "-c=k", U}, "<q cite=\"" + U + "\" class=k>L1\r\nL2</q>"},
      {{"-a='_blank'", "-h", "-c='class_name'", U},
       H + " class=\"class_name\" target=\"_blank\">L1<br>\r\nL2</a>"},
  };
  for (const Case& c : cases) EXPECT_EQ(quote(c.args, T), c.want) << c.args[0];
}

TEST(QuoteBuilder, LineBreakConversions) {
  const std::string T = "L1\r\nL2";
  struct Case {
    std::vector<std::string> args;
    std::string text, want;
  } cases[] = {
      {{"-h", U}, T, "L1<br>\r\nL2"},  // no style, still converted
      {{"-x", U}, T, "L1<br />\r\nL2"},
      {{"-a", "-h", "-h", U}, T, H + ">L1<br><br>\r\nL2</a>"},
      {{"-a", "-h", "-x", U}, T, H + ">L1<br><br />\r\nL2</a>"},
      {{"-a", "-x", "-h", U}, T, H + ">L1<br /><br>\r\nL2</a>"},
      {{"-hd", "-h", U}, "t", "*" + H + ">t</a><br>\r\n<br>\r\n"},
      {{"-o", "-x", U}, T, "L1<br />\r\nL2<br />\r\n" + H + ">" + U + "</a>"},
      {{"-a", "-H", U}, T, H + ">L1\r\nL2</a>"},
      {{"-a", "-h", U}, "L1\nL2\rL3", H + ">L1\nL2\rL3</a>"},  // lone LF or CR is no line break
      // A line break in an argument is converted too; a lone LF there is none either.
      {{"-a='x\r\ny\nz'", "-h", U}, T, H + " target=\"x<br>\r\ny\nz\">L1<br>\r\nL2</a>"},
      {{"-o", "-x", "http://h/a\r\nb"}, "L1\rL2\r", "L1\rL2\r<br />\r\n<a href=\"http://h/a<br />\r\nb\">http://h/a<br />\r\nb</a>"},
  };
  for (const Case& c : cases) EXPECT_EQ(quote(c.args, c.text), c.want) << c.args[1];
}

TEST(QuoteBuilder, LineBreakThreshold) {
  const std::string t60 = std::string(29, 'a') + "\r\n" + std::string(29, 'b');
  const std::string t61 = t60 + "c";
  struct Case {
    std::vector<std::string> args;
    std::string text, want;
  } cases[] = {
      {{"-d=60", "-h", U}, t60, std::string(29, 'a') + " " + std::string(29, 'b')},
      {{"-D=60", U}, t60, std::string(29, 'a') + " " + std::string(29, 'b')},
      {{"-d=60", "-h", U}, t61, std::string(29, 'a') + "<br>\r\n" + std::string(29, 'b') + "c"},
      {{"-d=x3C", U}, t60, std::string(29, 'a') + " " + std::string(29, 'b')},
      {{"-d=", U}, t60, t60},                           // threshold 0
      {{"-d=", U}, "", ""},
      {{"-d=100", "-d=10", U}, t60, t60},               // the later one counts
      {{"-d=10", "-d=100", U}, t60, std::string(29, 'a') + " " + std::string(29, 'b')},
      {{"-d=100", U}, "a\r\n\r\nb", "a  b"},
      {{"-d=100", U}, "a\nb", "a\nb"},
  };
  for (const Case& c : cases) EXPECT_EQ(quote(c.args, c.text), c.want) << c.args[0];
}

class QuotationThreshold : public ::testing::TestWithParam<CodePage> {};
INSTANTIATE_TEST_SUITE_P(, QuotationThreshold, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "Utf8" : "ShiftJis"; });

TEST_P(QuotationThreshold, ChoosesInlineOrBlock) {
  const CodePage& cp = GetParam();
  auto q = [&](const std::string& t) { return "<q cite=\"" + U + "\">" + t + "</q>"; };
  auto bq = [&](const std::string& t) { return "<blockquote cite=\"" + U + "\"><p>" + t + "</p></blockquote>"; };
  const std::string t59(59, 'x'), t60(60, 'x');
  struct Case {
    const char* style;
    std::string text, want;
  } cases[] = {
      {"-b60", t59, q(t59)}, {"-b60", t60, bq(t60)}, {"-b", "", bq("")},     {"-b", "x", bq("x")},
      {"-bx3C", t59, q(t59)}, {"-bx3C", t60, bq(t60)}, {"-b-b", "x", bq("x")},  // "-b-b" gives "00"
      {"-q", t60 + t60, q(t60 + t60)},
  };
  for (const Case& c : cases) EXPECT_EQ(quote({c.style, U}, c.text, cp), c.want) << c.style;

  // Thirty Japanese characters: 60 bytes in Shift-JIS, 90 in UTF-8.
  const std::string thirty = from_utf8("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ", cp);
  ASSERT_EQ(thirty.size(), cp.is_utf8() ? 90u : 60u);
  EXPECT_EQ(quote({"-b61", U}, thirty, cp), cp.is_utf8() ? bq(thirty) : q(thirty));
  EXPECT_EQ(quote({"-b91", U}, thirty, cp), q(thirty));
}

// The page's text stands in the HTML as text: every style escapes it, the arguments and the
// tags the options add stay as they are, and lengths count the text as it was selected.
TEST(QuoteBuilder, PageTextIsEscaped) {
  const std::string T = "a<b & \"c\">\r\nd";
  const std::string E = "a&lt;b &amp; &quot;c&quot;&gt;\r\nd";
  const std::string t5 = "<\r\n\"&";  // five bytes as read, seventeen escaped
  struct Case {
    std::vector<std::string> args;
    std::string text, want;
  } cases[] = {
      {{"-a", U}, T, H + ">" + E + "</a>"},
      {{"-a='<i>'", U}, T, H + " target=\"<i>\">" + E + "</a>"},  // the entry's own values stay
      {{"-q", "-c='k&<'", U}, T, "<q cite=\"" + U + "\" class=\"k&<\">" + E + "</q>"},
      {{"-b", U}, T, "<blockquote cite=\"" + U + "\"><p>" + E + "</p></blockquote>"},
      {{"-o", U}, T, E + "\r\n" + H + ">" + U + "</a>"},
      {{"-o='x'", U}, T, E + "\r\n" + H + " target=\"x\">" + U + "</a>"},
      {{"-hd", U}, T, "*" + H + ">" + E + "</a>\r\n\r\n"},
      {{"-Q", U}, T, T},                                           // no style: written back as it is
      {{U}, T, T},
      {{"-h", U}, T, "a<b & \"c\"><br>\r\nd"},                     // no style, still no HTML
      {{"-a", "-h", U}, T, H + ">a&lt;b &amp; &quot;c&quot;&gt;<br>\r\nd</a>"},
      {{"-q", "-x", "-h", U}, "<br>\r\n", "<q cite=\"" + U + "\">&lt;br&gt;<br /><br>\r\n</q>"},
      // Thresholds compare the length as read: five bytes.
      {{"-b5", U}, t5, "<blockquote cite=\"" + U + "\"><p>&lt;\r\n&quot;&amp;</p></blockquote>"},
      {{"-b6", U}, t5, "<q cite=\"" + U + "\">&lt;\r\n&quot;&amp;</q>"},
      {{"-a", "-d=5", U}, t5, H + ">&lt; &quot;&amp;</a>"},
      {{"-a", "-d=4", U}, t5, H + ">&lt;\r\n&quot;&amp;</a>"},
      {{"-b5", "-d=5", U}, t5, "<q cite=\"" + U + "\">&lt; &quot;&amp;</q>"},  // four bytes once joined
      {{"-a", U}, "&#x301C;", H + ">&amp;#x301C;</a>"},           // a reference in the page is text
  };
  for (const Case& c : cases) EXPECT_EQ(quote(c.args, c.text), c.want) << c.args[0] << " " << c.text;
}

TEST(QuoteBuilder, NumbersThatDoNotConvert) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"-b6a", U}, "'06a' は整数ではありません"},
      {{"-B60", U}, "'-B60' は整数ではありません"},
      {{"-b-5", U}, "'0-5' は整数ではありません"},
      {{"-a", "-d=x", U}, "'0x' は整数ではありません"},
      {{"-a", "-d=-5", U}, "'0-5' は整数ではありません"},
      {{"-b", "-d=1e", U}, "'01e' は整数ではありません"},  // the threshold is read before the style
  };
  for (const Case& c : cases) {
    try {
      quote(c.args, "text");
      ADD_FAILURE() << "no error for " << c.args[0];
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(Worker, ReadsWrapsAndWritesUnderOneHold) {
  MemoryClipboard desktop(std::string("L1\nL2"));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  run_worker(Arguments("/q", {"-a", "-h", U}), clipboard, CodePage::utf8());
  // Lone LFs come back as LFs, the br tags in place.
  EXPECT_EQ(desktop.text, H + ">L1<br>\nL2</a>");
  EXPECT_EQ(desktop.acquisitions, 1);
  EXPECT_FALSE(desktop.held);
}

TEST(Worker, KeepsTheSelectionsOwnCrLf) {
  MemoryClipboard desktop(std::string("L1\r\nL2"));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  run_worker(Arguments("/q", {"-o", U}), clipboard, CodePage::utf8());
  EXPECT_EQ(desktop.text, "L1\r\nL2\r\n" + H + ">" + U + "</a>");
}

TEST(Worker, ShiftJisLocaleRoundTripsJapaneseText) {
  MemoryClipboard desktop(std::string("日本語😀\n二行目"));
  CountedClipboard clipboard(desktop, CodePage::shift_jis());
  run_worker(Arguments("/q", {"-q", "-x", U}), clipboard, CodePage::shift_jis());
  EXPECT_EQ(desktop.text, "<q cite=\"" + U + "\">日本語&#x1F600;<br />\n二行目</q>");
}

// A character the code page lacks becomes a reference, which stays one beside the escaped
// characters; one written in the page is escaped like any other text.
TEST(Worker, ConversionReferencesStayBesideEscapedText) {
  struct Case {
    std::string style, selection, want;
  } cases[] = {
      {"-q", "〜<&>\"😀\n&#x301C;", "<q cite=\"" + U + "\">&#x301C;&lt;&amp;&gt;&quot;&#x1F600;\n&amp;#x301C;</q>"},
      {"-q", "a\r\n〜&", "<q cite=\"" + U + "\">a\r\n&#x301C;&amp;</q>"},
      {"-Q", "〜<&", "&#x301C;<&"},  // no style: no escaping
  };
  for (const Case& c : cases) {
    MemoryClipboard desktop(c.selection);
    CountedClipboard clipboard(desktop, CodePage::shift_jis());
    run_worker(Arguments("/q", {c.style, U}), clipboard, CodePage::shift_jis());
    EXPECT_EQ(desktop.text, c.want) << c.selection;
  }
}

TEST(Worker, FailuresLeaveTheClipboardAsItWas) {
  struct Case {
    std::vector<std::string> args;
    bool fail_acquire, fail_read;
  } cases[] = {
      {{"-a", U}, true, false},
      {{"-a", U}, false, true},
      {{"-b6a", U}, false, false},
      {{"-a", "-d=z", U}, false, false},
  };
  for (const Case& c : cases) {
    MemoryClipboard desktop(std::string("keep me"));
    desktop.fail_acquire = c.fail_acquire;
    desktop.fail_read = c.fail_read;
    CountedClipboard clipboard(desktop, CodePage::utf8());
    EXPECT_THROW(run_worker(Arguments("/q", c.args), clipboard, CodePage::utf8()), Error);
    EXPECT_EQ(desktop.text, "keep me");
    EXPECT_EQ(desktop.writes, 0);
    EXPECT_FALSE(desktop.held);
    EXPECT_EQ(clipboard.open_count(), 0);
  }
}

TEST(Worker, EmptyOrTextlessClipboardIsStillWrapped) {
  MemoryClipboard desktop;  // holds no text, as after copying a picture
  CountedClipboard clipboard(desktop, CodePage::utf8());
  run_worker(Arguments("/q", {"-q", U}), clipboard, CodePage::utf8());
  EXPECT_EQ(desktop.text, "<q cite=\"" + U + "\"></q>");
}

// Every style row's result is offered as HTML beside the text; the text written back as it
// is, as text alone; and nothing as HTML where rich paste is off.
TEST(Worker, OffersHtmlForTheStyleRowsOnly) {
  struct Case {
    std::vector<std::string> args;
    bool rich;
    Forms want;
  };
  std::vector<Case> cases;
  for (const StyleRow& row : style_rows()) {
    const char* value = row.value == StyleValue::Number ? "60" : row.value == StyleValue::Target ? "_blank" : "";
    cases.push_back({{style_argument(row, value), U}, true, Forms::TextAndHtml});
    cases.push_back({{style_argument(row, value), U}, false, Forms::Text});
  }
  ASSERT_EQ(cases.size(), 14u);  // seven rows
  cases.push_back({{"-Q", U}, true, Forms::Text});
  cases.push_back({{U}, true, Forms::Text});
  cases.push_back({{"-c='k'", U}, true, Forms::Text});
  for (const Case& c : cases) {
    MemoryClipboard desktop(std::string("引用 & <b>"));
    CountedClipboard clipboard(desktop, CodePage::utf8(), c.rich);
    run_worker(Arguments("/q", c.args), clipboard, CodePage::utf8());
    EXPECT_EQ(desktop.forms, c.want) << c.args[0] << (c.rich ? "" : ", rich paste off");
  }
}

}  // namespace
}  // namespace qm

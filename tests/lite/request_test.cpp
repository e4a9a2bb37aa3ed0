// One run of quotemill3 against an in-memory clipboard, recorded boxes and a fixed
// foreground window.

#include <gtest/gtest.h>

#include <map>

#include "clipboard_memory.h"
#include "codepage.h"
#include "request.h"

namespace qm::lite {
namespace {

const std::string U = "http://example.com/p";
const Box kNoTitle{"Quotemill_clip", "エラー!!タイトルがうまく取得できません", BoxIcon::None};
const Box kRemoved{"Quotemill_clip", "ごめんなさい。この機能は削除されました。", BoxIcon::None};
const Box kNoFile{"Quotemill_clip", "ファイルが存在しません", BoxIcon::None};
const Box kNoClipboard{"Quotemill_clip", "クリップボードを開くことができません", BoxIcon::None};
const Box kNotUrl{"Quotemill_clip", "最後の引数がURLではありません。\r\nmenu.iniの記述を確認してください。", BoxIcon::None};

Box note(const std::string& text) { return {"Quotemill_clip", text, BoxIcon::None}; }

// The desktop of one run; texts given and compared in UTF-8, as the desktop holds them.
struct Desk {
  explicit Desk(CodePage cp, std::optional<std::string> clip, std::string caption = "Page - Opera")
      : memory(std::move(clip)), clipboard(memory, cp), foreground(std::move(caption)), cp(cp) {}
  void run(const std::string& line) {
    Services s{clipboard, boxes, foreground, cp,
               [this](const std::string& name) -> std::optional<std::string> {
                 if (auto it = files.find(name); it != files.end()) return it->second;
                 return std::nullopt;
               },
               [this](const std::string& text) { notices.push_back(text); }};
    ProcessRequest(SplitArguments(from_utf8(line, cp)), s);
  }
  MemoryClipboard memory;
  OneShotClipboard clipboard;
  RecordedBoxes boxes;
  FixedForegroundWindow foreground;
  CodePage cp;
  std::map<std::string, std::string> files;
  std::vector<std::string> notices;
};

class ProcessRequestTest : public ::testing::TestWithParam<CodePage> {};

TEST_P(ProcessRequestTest, RunsWithAnAddress) {
  struct Case {
    std::string line, clip, want;
    std::vector<Box> boxes;
  } cases[] = {
      {"-a " + U, "日本語", "<a title=\"Page\" href=\"" + U + "\">日本語</a>", {}},
      {"-a -c=quote " + U, "x", "<a title=\"Page\" class=\"quote\" href=\"" + U + "\">x</a>", {}},
      {"-a -c=one -c=two " + U, "x", "<a title=\"Page\" class=\"two\" href=\"" + U + "\">x</a>", {}},
      {"-a -c= " + U, "x", "<a title=\"Page\" class=\"\" href=\"" + U + "\">x</a>", {}},
      {"-a -c " + U, "x", "<a title=\"Page\" class=\"-c\" href=\"" + U + "\">x</a>", {}},
      {"-a -c=\"a b\" " + U, "x", "<a title=\"Page\" class=\"\"a b\"\" href=\"" + U + "\">x</a>", {}},
      {"-q " + U, "a\nb", "<q title=\"Page\" cite=\"" + U + "\">a\nb</q>", {}},
      {"-b " + U, "a", "<blockquote title=\"Page\" cite=\"" + U + "\"><p>a</p></blockquote>", {}},
      {"-b " + U, "", "<q title=\"Page\" cite=\"" + U + "\"></q>", {}},
      {"-q -h " + U, "1\n2\n3\n4", "<q title=\"Page\" cite=\"" + U + "\">1<br>\n2\n3\n4</q>", {}},
      {"-q -x " + U, "1\r\n2\r\n3", "<q title=\"Page\" cite=\"" + U + "\">1<br />\r\n2\r\n3</q>", {}},
      {"-q -x -h " + U, "1\n2", "<q title=\"Page\" cite=\"" + U + "\">1<br>\n2</q>", {}},
      {"-q -h " + U, "no break", "<q title=\"Page\" cite=\"" + U + "\">no break</q>", {}},
      {"-q " + U, "%t %C", "<q title=\"Page\" cite=\"" + U + "\">%t %C</q>", {}},
      {"-a \"" + U + "\"", "x", "<a title=\"Page\" href=\"" + U + "\">x</a>", {}},
      {"-o " + U, "x", "x", {kRemoved}},
      {U, "x", "x", {kRemoved}},
      {"-h " + U, "1\n2", "1<br>\n2", {kRemoved}},  // an option first is the style as well
      {"-a ftp://f/x", "x", "<a title=\"Page\" href=\"ftp://f/x\">x</a>", {}},
      {"-a see://", "x", "<a title=\"Page\" href=\"see://\">x</a>", {}},
  };
  for (const Case& c : cases) {
    Desk desk(GetParam(), c.clip);
    desk.run(c.line);
    EXPECT_EQ(desk.memory.text, c.want) << c.line;
    // A template's result is offered as HTML too; the bare text after the message is not.
    EXPECT_EQ(desk.memory.forms, c.boxes.empty() ? Forms::TextAndHtml : Forms::Text) << c.line;
    EXPECT_EQ(desk.boxes.shown, c.boxes) << c.line;
    EXPECT_TRUE(desk.notices.empty());
  }
}

TEST_P(ProcessRequestTest, RemovesTheFirstBreakOfShortTexts) {
  // Lengths count the CR that the read adds to each LF, and bytes of the code page.
  const std::size_t jp = from_utf8("日本", GetParam()).size();
  struct Case {
    std::string line, clip, want_text;
  } cases[] = {
      {"-d=10", "12345678\n", "12345678"},       // 10 bytes: removed
      {"-d=10", "123456789\n", "123456789\n"},   // 11 bytes: kept
      {"-d=10", "ab\ncd\nef", "abcd\nef"},       // only the first
      {"-d", "a\nb", "a\nb"},                    // no value: 0
      {"-d=-1", "", ""},
      {"-d=" + std::to_string(jp + 2), "日本\n", "日本"},
      {"-d=" + std::to_string(jp + 1), "日本\n", "日本\n"},
      {"-d=4294967306", "123456789\n", "123456789\n"},  // wraps around to 10
      {"-d=4294967306", "12345678\n", "12345678"},
  };
  for (const Case& c : cases) {
    Desk desk(GetParam(), c.clip);
    desk.run("-q " + c.line + " " + U);
    EXPECT_EQ(desk.memory.text, "<q title=\"Page\" cite=\"" + U + "\">" + c.want_text + "</q>") << c.line << c.clip;
  }
}

// The page's text and title stand in the HTML as text; the bare text is no HTML and stays as
// it was selected. "〜" stands for the form the code page gives it: a reference in Shift-JIS,
// which stays one.
TEST_P(ProcessRequestTest, PageTextAndTitleAreEscaped) {
  const std::string evil = "Breaking\" onmouseover=\"alert(1)\" x=\"";
  const std::string evil_html = "Breaking&quot; onmouseover=&quot;alert(1)&quot; x=&quot;";
  struct Case {
    std::string line, clip, caption, want;
    std::vector<Box> boxes;
  } cases[] = {
      {"-a " + U, "<img src=x onerror=alert(1)>", evil + " - Opera",
       "<a title=\"" + evil_html + "\" href=\"" + U + "\">&lt;img src=x onerror=alert(1)&gt;</a>", {}},
      {"-q " + U, "a < b & \"c\"", "T&C <b>〜</b> - Opera",
       "<q title=\"T&amp;C &lt;b&gt;〜&lt;/b&gt;\" cite=\"" + U + "\">a &lt; b &amp; &quot;c&quot;</q>", {}},
      {"-q -h " + U, "〜<br>\n&", "P - O", "<q title=\"P\" cite=\"" + U + "\">〜&lt;br&gt;<br>\n&amp;</q>", {}},
      {"-a -c=<k> " + U, "&", "P - O", "<a title=\"P\" class=\"<k>\" href=\"" + U + "\">&amp;</a>", {}},
      {"-o " + U, "<b>〜&", "<T> - O", "<b>〜&", {kRemoved}},  // the bare text is no HTML
      // Thresholds compare the length as read: "<&>" is three bytes, five with its line break.
      {"-b3 " + U, "<&>", "P - O", "<q title=\"P\" cite=\"" + U + "\">&lt;&amp;&gt;</q>", {}},
      {"-b2 " + U, "<&>", "P - O", "<blockquote title=\"P\" cite=\"" + U + "\"><p>&lt;&amp;&gt;</p></blockquote>", {}},
      {"-q -d=5 " + U, "<&>\n", "P - O", "<q title=\"P\" cite=\"" + U + "\">&lt;&amp;&gt;</q>", {}},
      {"-q -d=4 " + U, "<&>\n", "P - O", "<q title=\"P\" cite=\"" + U + "\">&lt;&amp;&gt;\n</q>", {}},
  };
  const bool sjis = !GetParam().is_utf8();
  auto in_code_page = [&](std::string text) {
    for (std::size_t at; sjis && (at = text.find("〜")) != std::string::npos;) text.replace(at, 3, "&#x301C;");
    return text;
  };
  for (const Case& c : cases) {
    Desk desk(GetParam(), c.clip, c.caption);
    desk.run(c.line);
    EXPECT_EQ(desk.memory.text, in_code_page(c.want)) << c.line << " " << c.clip;
    EXPECT_EQ(desk.boxes.shown, c.boxes) << c.line;
  }
  Desk user(GetParam(), "<x>", "\"T\" - O");  // the user's template is HTML too; its own text stays
  user.files["user.txt"] = "<i title=\"%t\">%C</i> & more";
  user.run("-u %u " + U);
  EXPECT_EQ(user.memory.text, "<i title=\"&quot;T&quot;\">&lt;x&gt;</i> & more");
}

TEST_P(ProcessRequestTest, LengthAfterTheBreakRemovalChoosesTheQuote) {
  Desk desk(GetParam(), "12\n45");  // 6 bytes read, 5 after -d
  desk.run("-b5 -d=6 " + U);
  EXPECT_EQ(desk.memory.text, "<q title=\"Page\" cite=\"" + U + "\">1245</q>");
}

TEST_P(ProcessRequestTest, UserTemplate) {
  Desk desk(GetParam(), "sel\nline");
  desk.files["user.txt"] = from_utf8("%t|%c|%u|%U|%C|100%%\r\nend", GetParam());
  desk.run("-u -c=k -h " + U);
  EXPECT_EQ(desk.memory.text, "Page|class=\"k\" |" + U + "|example.com/p|sel<br>\nline|100%\nend");
  EXPECT_EQ(desk.memory.forms, Forms::TextAndHtml);
  // the first line break is the selection's; the written text keeps the selection's LFs
  EXPECT_TRUE(desk.boxes.shown.empty());

  Desk ahead(GetParam(), "1\n2");  // a break of the template ahead of the text is the one converted
  ahead.files["user.txt"] = "A\r\n%C";
  ahead.run("-u -x " + U);
  EXPECT_EQ(ahead.memory.text, "A<br />\n1\n2");

  Desk lone(GetParam(), "1\n2");  // a lone LF of the template is no line break
  lone.files["user.txt"] = "A\n%C";
  lone.run("-u -h " + U);
  EXPECT_EQ(lone.memory.text, "A\n1<br>\n2");

  Desk spaced(GetParam(), "1\n2\n3");  // nor is one of the text's after a CR of the template
  spaced.files["user.txt"] = "%C\r";
  spaced.run("-u -d=9 -x " + U);
  EXPECT_EQ(spaced.memory.text, "12<br />\n3\r");

  Desk named(GetParam(), "x");
  named.files["t.html"] = "[%C]";
  named.run("-u \\t.html " + U);
  EXPECT_EQ(named.memory.text, "[x]");
}

TEST_P(ProcessRequestTest, MissingUserTemplateLeavesTheClipboard) {
  for (const std::string file : {"", "empty.txt"}) {
    Desk desk(GetParam(), "keep me");
    desk.files["empty.txt"] = "";
    desk.run("-u " + (file.empty() ? "-h" : file) + " " + U);
    EXPECT_EQ(desk.memory.text, "keep me");
    EXPECT_EQ(desk.memory.writes, 0);
    EXPECT_EQ(desk.boxes.shown, std::vector<Box>{kNoFile});
    EXPECT_EQ(desk.foreground.reads, 0);
  }
}

TEST_P(ProcessRequestTest, UnreadableClipboardIsReportedAndNotWritten) {
  for (bool no_display : {true, false}) {
    Desk desk(GetParam(), "keep me");
    (no_display ? desk.memory.fail_acquire : desk.memory.fail_read) = true;
    desk.run("-a " + U);
    EXPECT_EQ(desk.memory.text, "keep me");
    EXPECT_EQ(desk.memory.writes, 0);
    EXPECT_EQ(desk.boxes.shown, std::vector<Box>{kNoClipboard});
  }
}

TEST_P(ProcessRequestTest, ClipboardWithoutTextReadsEmpty) {
  Desk desk(GetParam(), std::nullopt);
  desk.run("-a " + U);
  EXPECT_EQ(desk.memory.text, "<a title=\"Page\" href=\"" + U + "\"></a>");

  Desk bare(GetParam(), std::nullopt);  // an empty output leaves the clipboard without text
  bare.run("-o " + U);
  EXPECT_EQ(bare.memory.writes, 1);
  EXPECT_EQ(bare.memory.text, std::nullopt);
}

TEST_P(ProcessRequestTest, TitleMessageComesAfterTheStyleMessage) {
  Desk desk(GetParam(), "x", "no separator");
  desk.run("-z " + U);
  EXPECT_EQ(desk.boxes.shown, (std::vector<Box>{kRemoved, kNoTitle}));
  EXPECT_EQ(desk.memory.text, "x");

  Desk link(GetParam(), "x", "");
  link.run("-a " + U);
  EXPECT_EQ(link.boxes.shown, std::vector<Box>{kNoTitle});
  EXPECT_EQ(link.memory.text, "<a title=\"\" href=\"" + U + "\">x</a>");
}

TEST_P(ProcessRequestTest, TitleInTheCodePage) {
  Desk desk(GetParam(), "x", "日本語のページ - Opera");
  desk.run("-a " + U);
  EXPECT_EQ(desk.memory.text, "<a title=\"日本語のページ\" href=\"" + U + "\">x</a>");
}

TEST_P(ProcessRequestTest, LastArgumentWithoutAddress) {
  struct Case {
    std::string line;
    std::vector<Box> boxes;
  } cases[] = {
      {"-a", {kNotUrl, note("-a")}},
      {"-a -h word", {kNotUrl, note("-a"), note("-h"), note("word")}},
      {"-a " + U + " -h", {kNotUrl, note("-a"), note(U), note("-h")}},
      {"-c=\"日本 語\" http:/x", {kNotUrl, note("-c=\"日本 語\""), note("http:/x")}},
  };
  for (const Case& c : cases) {
    Desk desk(GetParam(), "keep me");
    desk.run(c.line);
    EXPECT_EQ(desk.boxes.shown, c.boxes) << c.line;
    EXPECT_EQ(desk.memory.acquisitions, 0);
    EXPECT_EQ(desk.memory.text, "keep me");
    EXPECT_EQ(desk.foreground.reads, 0);
  }
}

TEST_P(ProcessRequestTest, NoArgumentsShowTheNoticeWindowOnly) {
  for (const std::string line : {"", "  \"\" "}) {
    Desk desk(GetParam(), "keep me");
    desk.run(line);
    EXPECT_EQ(desk.notices, std::vector<std::string>{" Quotemill Ver3β8\r\n β版につき\r\n いろいろ無保証です。"});
    EXPECT_TRUE(desk.boxes.shown.empty());
    EXPECT_EQ(desk.memory.acquisitions, 0);
    EXPECT_EQ(desk.foreground.reads, 0);
  }
}

TEST_P(ProcessRequestTest, FailedWriteIsNotReported) {
  Desk desk(GetParam(), "x");
  desk.memory.fail_write = true;
  desk.run("-a " + U);
  EXPECT_TRUE(desk.boxes.shown.empty());
  EXPECT_EQ(desk.memory.text, "x");
}

INSTANTIATE_TEST_SUITE_P(CodePages, ProcessRequestTest, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

}  // namespace
}  // namespace qm::lite

// The program block: mode choice, the boxes of each mode, and the clipboard's counting.

#include <gtest/gtest.h>

#include "clipboard_memory.h"
#include "program.h"

namespace qm {

void PrintTo(const ReadText& read, std::ostream* os) {
  *os << ::testing::PrintToString(read.text.bytes) << (read.text.lf_breaks ? " (lone LFs)" : "");
}

namespace {

Arguments args(std::vector<std::string> list) { return Arguments("/usr/local/bin/quotemill", std::move(list)); }

TEST(Program, ChoosesItsMode) {
  struct Case {
    std::vector<std::string> args;
    Mode want;
  } cases[] = {
      {{}, Mode::Settings},
      {{"HTTP://EXAMPLE.COM/"}, Mode::Worker},
      {{"http://"}, Mode::Worker},
      {{"-a", "http://x"}, Mode::Worker},
      {{"-a", "https://x"}, Mode::Worker},
      {{"HTTPS://X/"}, Mode::Worker},
      {{"https://"}, Mode::Worker},
      {{"http:/"}, Mode::ArgumentError},
      {{"https:/x"}, Mode::ArgumentError},
      {{"ftp://x/"}, Mode::ArgumentError},
      {{"-a", "httpsx://x"}, Mode::ArgumentError},
      {{"http://x", "-a"}, Mode::ArgumentError},
      {{"https://x", "-q"}, Mode::ArgumentError},
      {{"-a", "-h", "word"}, Mode::ArgumentError},
  };
  for (const Case& c : cases) EXPECT_EQ(choose_mode(args(c.args)), c.want) << c.args.size();
}

TEST(Program, ArgumentErrorShowsTheDialogThenEveryArgument) {
  MemoryClipboard desktop(std::string("keep"));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  RecordedBoxes boxes;
  Desktop d{clipboard, boxes, CodePage::utf8(), [] { return 7; }};
  EXPECT_EQ(run_quotemill(args({"-a", "-h", "word"}), d), 0);
  const std::vector<Box> want{
      {"エラー", "最後の引数がURLでは無いようです。\r\nmenu.iniの記述か間違っていると思われます。", BoxIcon::Error},
      {"Quotemill", "/usr/local/bin/quotemill", BoxIcon::None},
      {"Quotemill", "-a", BoxIcon::None},
      {"Quotemill", "-h", BoxIcon::None},
      {"Quotemill", "word", BoxIcon::None},
  };
  EXPECT_EQ(boxes.shown, want);
  EXPECT_EQ(desktop.acquisitions, 0);  // the clipboard is never touched
}

TEST(Program, ArgumentBoxesShowShiftJisArgumentsAsText) {
  const CodePage sjis = CodePage::shift_jis();
  const auto boxes = argument_error_boxes(Arguments("/q", {from_utf8("引数", sjis)}), sjis);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2].text, "引数");
}

TEST(Program, SettingsModeRunsTheWindowAndNothingElse) {
  MemoryClipboard desktop;
  CountedClipboard clipboard(desktop, CodePage::utf8());
  RecordedBoxes boxes;
  int runs = 0;
  Desktop d{clipboard, boxes, CodePage::utf8(), [&] { return ++runs, 0; }};
  EXPECT_EQ(run_quotemill(args({}), d), 0);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(desktop.acquisitions, 0);
}

TEST(Program, WorkerErrorEndsInTheReportWithStatus1) {
  MemoryClipboard desktop(std::string("keep"));
  desktop.fail_acquire = true;
  CountedClipboard clipboard(desktop, CodePage::utf8());
  RecordedBoxes boxes;
  Desktop d{clipboard, boxes, CodePage::utf8(), [] { return 0; }};
  EXPECT_EQ(run_quotemill(args({"-a", "http://x"}), d), 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  const Box& report = boxes.shown[0];
  EXPECT_EQ(report.title, "アプリケーション エラー");
  EXPECT_EQ(report.icon, BoxIcon::Stop);
  EXPECT_TRUE(report.text.starts_with("qm::Error がモジュール quotemill の ")) << report.text;
  EXPECT_TRUE(report.text.ends_with(" で発生しました。\r\nクリップボードを開くことができません.\r\n")) << report.text;
  EXPECT_EQ(desktop.text, "keep");
}

TEST(Program, FullStopRules) {
  struct Case {
    const char* message;
    const char* report_tail;  // after the first line of the unhandled-error report
    const char* loop_text;    // the window loop's box
  } cases[] = {
      {"abc", "abc.\r\n", "abc."},
      {"abc.", "abc.\r\n", "abc."},
      {"abc!", "abc!.\r\n", "abc!"},  // '!' sorts before '.'
      {"", "\r\n", ""},
      {"クリップボードを開くことができません", "クリップボードを開くことができません.\r\n",
       "クリップボードを開くことができません."},
  };
  for (const Case& c : cases) {
    const Box report = unhandled_error_box(Error(c.message), "/x/quotemill");
    EXPECT_TRUE(report.text.ends_with(std::string("発生しました。\r\n") + c.report_tail)) << report.text;
    const Box loop = window_loop_error_box(Error(c.message));
    EXPECT_EQ(loop, (Box{"Quotemill", c.loop_text, BoxIcon::Stop}));
  }
}

TEST(CountedClipboard, NestedOpensAreCounted) {
  MemoryClipboard desktop(std::string("x"));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  clipboard.open();
  clipboard.open();
  EXPECT_EQ(clipboard.open_count(), 2);
  clipboard.close();
  EXPECT_TRUE(desktop.held);
  clipboard.close();
  EXPECT_FALSE(desktop.held);
  clipboard.close();  // nothing open: nothing happens
  EXPECT_EQ(clipboard.open_count(), 0);
  EXPECT_EQ(desktop.acquisitions, 1);
}

TEST(CountedClipboard, EmptiedFlagAndEmptyWrite) {
  MemoryClipboard desktop(std::string("old"));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  {
    ClipboardHold hold(clipboard);
    EXPECT_FALSE(clipboard.emptied());
    clipboard.write_text("");
    EXPECT_TRUE(clipboard.emptied());
  }
  EXPECT_EQ(desktop.text, "");  // an empty text, not no text
  clipboard.open();
  EXPECT_FALSE(clipboard.emptied());  // each real open clears the flag
  clipboard.close();
}

TEST(CountedClipboard, ReadStopsAtNul) {
  MemoryClipboard desktop(std::string("ab\0cd", 5));
  CountedClipboard clipboard(desktop, CodePage::utf8());
  EXPECT_EQ(clipboard.read_text().text.bytes, "ab");
}

TEST(CountedClipboard, OpenFailureSaysSo) {
  MemoryClipboard desktop;
  desktop.fail_acquire = true;
  CountedClipboard clipboard(desktop, CodePage::utf8());
  try {
    clipboard.open();
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "クリップボードを開くことができません");
  }
  EXPECT_EQ(clipboard.open_count(), 0);
}

TEST(OneShotClipboard, ReadFailureIsToldApartFromNoText) {
  MemoryClipboard desktop;
  OneShotClipboard clipboard(desktop, CodePage::utf8());
  EXPECT_EQ(clipboard.read_text(), std::optional<ReadText>(ReadText{""}));
  desktop.fail_read = true;
  EXPECT_EQ(clipboard.read_text(), std::nullopt);
  EXPECT_FALSE(desktop.held);
}

TEST(OneShotClipboard, EmptyWriteLeavesNoText) {
  MemoryClipboard desktop(std::string("old"));
  OneShotClipboard clipboard(desktop, CodePage::utf8());
  EXPECT_TRUE(clipboard.write_text(""));
  EXPECT_EQ(desktop.text, std::nullopt);
  EXPECT_TRUE(clipboard.write_text("a\r\nb"));
  EXPECT_EQ(desktop.text, "a\nb");
  desktop.fail_acquire = true;
  EXPECT_FALSE(clipboard.write_text("new"));
  EXPECT_EQ(desktop.text, "a\nb");
}

// The forms each service's write offers: HTML where asked for, allowed and there is a text.
TEST(ClipboardForms, HtmlOnlyWhereAskedAllowedAndNotEmpty) {
  struct Case {
    std::optional<std::string> rich_setting;  // QUOTEMILL_RICH
    Forms asked;
    const char* text;
    Forms offered;
  } cases[] = {
      {std::nullopt, Forms::TextAndHtml, "<q>x</q>", Forms::TextAndHtml},
      {"1", Forms::TextAndHtml, "<q>x</q>", Forms::TextAndHtml},
      {"", Forms::TextAndHtml, "<q>x</q>", Forms::TextAndHtml},
      {"0", Forms::TextAndHtml, "<q>x</q>", Forms::Text},
      {std::nullopt, Forms::Text, "plain", Forms::Text},
      {std::nullopt, Forms::TextAndHtml, "", Forms::Text},
  };
  for (const Case& c : cases) {
    const bool rich = rich_paste_allowed(c.rich_setting);
    const std::string what = std::string(c.text) + " with " + c.rich_setting.value_or("(unset)");
    MemoryClipboard counted_desktop(std::string("old")), one_shot_desktop(std::string("old"));
    CountedClipboard counted(counted_desktop, CodePage::shift_jis(), rich);
    counted.write_text(Text(c.text), c.asked);
    EXPECT_EQ(counted_desktop.forms, c.offered) << what;
    EXPECT_EQ(counted_desktop.text, c.text) << what;
    OneShotClipboard one_shot(one_shot_desktop, CodePage::shift_jis(), rich);
    EXPECT_TRUE(one_shot.write_text(Text(c.text), c.asked));
    EXPECT_EQ(one_shot_desktop.forms, c.offered) << what;
  }
}

TEST(Program, ReportNamesTheProgramWithoutItsDirectory) {
  const CodePage sjis = CodePage::shift_jis();
  struct Case {
    std::string path;
    const CodePage& cp;
    std::string name;  // UTF-8, as the box shows it
  } cases[] = {
      {"/x/quotemill", CodePage::utf8(), "quotemill"},
      {"C:\\Program Files\\Quotemill\\quotemill.exe", CodePage::utf8(), "quotemill.exe"},
      // The second byte of 表 is the byte of "\\": no directory ends there.
      {from_utf8("C:\\ツール\\表示.exe", sjis), sjis, "表示.exe"},
      {from_utf8("C:\\表\\q.exe", sjis), sjis, "q.exe"},
  };
  for (const Case& c : cases) {
    const Box report = unhandled_error_box(Error("x"), c.path, c.cp);
    EXPECT_TRUE(report.text.starts_with("qm::Error がモジュール " + c.name + " の ")) << report.text;
  }
}

// Windows breaks lines with CR LF already: its clipboard's text passes with only the code
// page converted, both ways and in both services.
TEST(ClipboardEdge, ACrLfDesktopConvertsNoLineBreaks) {
  for (const CodePage& cp : {CodePage::utf8(), CodePage::shift_jis()}) {
    MemoryClipboard desktop(std::string("a\nb\r\nc😀"));
    desktop.lf_desktop = false;
    CountedClipboard counted(desktop, cp);
    {
      ClipboardHold hold(counted);
      const std::string text = crlf_bytes(counted.read_text().text);
      EXPECT_EQ(text, from_utf8("a\nb\r\nc😀", cp));  // a lone LF stays a lone LF
      counted.write_text(text + "\r\n");
    }
    EXPECT_EQ(desktop.text, cp.is_utf8() ? "a\nb\r\nc😀\r\n" : "a\nb\r\nc&#x1F600;\r\n");
    OneShotClipboard one_shot(desktop, cp);
    EXPECT_TRUE(one_shot.write_text("x\r\ny"));
    EXPECT_EQ(desktop.text, "x\r\ny");
    desktop.text = "p\nq";
    EXPECT_EQ(one_shot.read_text(), std::optional<ReadText>(ReadText{"p\nq"}));
  }
}

// A text its owner placed in the code page (Windows' CF_TEXT) is the code page's own bytes:
// the edge passes them untouched, and a desktop that keeps a code-page form is written the
// programs' text as it is. UTF-8 and back would change them: NEC-selected IBM 0xED40 comes
// back as 0xFA5C, NEC 0x8790 "≒" as 0x81E0, and bytes that form no character as U+FFFD.
TEST(ClipboardEdge, TheCodePagesOwnBytesAreNeverConverted) {
  const CodePage sjis = CodePage::shift_jis();
  const std::string placed = "\xED\x40|\x87\x90|\xA0|\xFD|\x82\xA0\r\n!";
  struct Case {
    std::string why;
    CodePage cp;
    std::string desktop;
    bool code_page_text, code_page_desktop, lf_desktop;
    std::string want_read, want_written;  // the programs' text; what the desktop holds after
    bool written_in_code_page;
  } cases[] = {
      {"placed in the code page, on Windows", sjis, placed, true, true, false, placed, placed, true},
      {"the same under UTF-8", CodePage::utf8(), placed, true, true, false, placed, placed, true},
      // The Unicode form goes through the conversion, and back to a code-page form as it is.
      {"Unicode text, on Windows", sjis, "纊|≒|x", false, true, false, "\xFA\x5C|\x81\xE0|x", "\xFA\x5C|\x81\xE0|x",
       true},
      {"Unicode text on X11", sjis, "纊|≒|x", false, false, true, "\xFA\x5C|\x81\xE0|x", "纊|≒|x", false},
      // Line breaks are converted all the same where the desktop breaks lines with LF.
      {"code-page bytes on an LF desktop", sjis, "\xED\x40\n\xA0", true, false, true, "\xED\x40\r\n\xA0",
       "纊\n\xEF\xBF\xBD", false},
  };
  for (const Case& c : cases) {
    MemoryClipboard desktop(c.desktop);
    desktop.code_page_text = c.code_page_text;
    desktop.code_page_desktop = c.code_page_desktop;
    desktop.lf_desktop = c.lf_desktop;
    CountedClipboard counted(desktop, c.cp);
    {
      ClipboardHold hold(counted);
      const std::string text = crlf_bytes(counted.read_text().text);
      EXPECT_EQ(text, c.want_read) << c.why;
      counted.write_text(text);
    }
    EXPECT_EQ(desktop.text, c.want_written) << c.why;
    EXPECT_EQ(desktop.code_page_text, c.written_in_code_page) << c.why;

    desktop.text = c.desktop;
    desktop.code_page_text = c.code_page_text;
    OneShotClipboard one_shot(desktop, c.cp);
    const std::optional<ReadText> read = one_shot.read_text();
    ASSERT_TRUE(read) << c.why;
    EXPECT_EQ(crlf_bytes(read->text), c.want_read) << c.why;
    EXPECT_TRUE(one_shot.write_text(read->text));
    EXPECT_EQ(desktop.text, c.want_written) << c.why;

    // quotemill's row for any other style writes the text back as it was read.
    desktop.text = c.desktop;
    desktop.code_page_text = c.code_page_text;
    CountedClipboard worker_clipboard(desktop, c.cp);
    RecordedBoxes boxes;
    Desktop d{worker_clipboard, boxes, c.cp, [] { return 0; }};
    EXPECT_EQ(run_quotemill(args({"http://example.com/"}), d), 0) << c.why;
    EXPECT_EQ(desktop.text, c.want_written) << c.why;
    EXPECT_TRUE(boxes.shown.empty()) << c.why;
  }
}

}  // namespace
}  // namespace qm

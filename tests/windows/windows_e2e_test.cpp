// The Windows programs end to end under Wine, on a private Xvfb with openbox: xclip on the
// other side of the clipboard (Wine bridges its clipboard to X11's CLIPBOARD), boxes
// answered by title with xdotool, exact command lines through CreateProcessW.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <regex>

#include "x_session.h"

namespace qm::test {
namespace {

const std::string U = "http://example.com/page";
const std::string H = "<a href=\"" + U + "\"";
const std::string kJapanese = "ja_JP.UTF-8";

std::string without_cr(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
  return s;
}

// A Unix path as Wine's drive Z: names it.
std::string windows_path(const std::string& path) { return "Z:" + std::regex_replace(path, std::regex("/"), "\\"); }

class WineE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* dir = std::getenv("QM_WINDOWS_BUILD_DIR");
    ASSERT_NE(dir, nullptr);
    win_ = dir;
    prefix_ = win_ + "/wineprefix";
    x_ = std::make_unique<XSession>(true);
    // A server left by the unit suites has its desktop on no display: a fresh one on ours.
    const std::string script = std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh";
    run({"sh", script, prefix_, "stop"});
    RunOptions setup;
    setup.timeout = 300s;
    setup.env["QM_WINE_DISPLAY"] = x_->display();
    const RunResult r = run({"sh", script, prefix_, "start"}, setup);
    ASSERT_EQ(r.status, 0) << r.err;
    // The browser-like window in front, which also keeps Wine's clipboard alive between runs.
    RunOptions options = wine();
    options.env["QM_TITLE"] = "テストページ - Chromium";
    browser_ = std::make_unique<Child>(x_->start({"wine", win_ + "/tests/wine_launch.exe", "window"}, options));
    ASSERT_TRUE(x_->wait_window("^テストページ - Chromium$", 30s));
  }
  static void TearDownTestSuite() {
    browser_.reset();
    run({"sh", std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh", prefix_, "stop"});
    x_.reset();
  }
  void SetUp() override {
    if (!x_) GTEST_FAIL() << "no Wine session";
  }
  void TearDown() override {
    if (const auto id = x_->wait_window("^テストページ - Chromium$", 2s))
      x_->run({"xdotool", "windowactivate", "--sync", *id});
  }

  static RunOptions wine(const std::string& lang = kJapanese) {
    RunOptions o;
    o.env["WINEPREFIX"] = prefix_;
    o.env["WINEDEBUG"] = "-all";
    o.env["WINEDLLOVERRIDES"] = "mscoree,mshtml=";
    o.env["LANG"] = lang;
    o.env["LOCPATH"] = prefix_ + "-locale";
    o.timeout = 30s;
    return o;
  }
  // `program` (quotemill, quotemill3...) started with the command line "PATH" LINE exactly.
  static RunOptions exact(const std::string& program, const std::string& line, const std::string& lang) {
    RunOptions o = wine(lang);
    const std::string path = windows_path(win_ + "/" + program + ".exe");
    o.env["QM_PROGRAM"] = path;
    o.env["QM_COMMAND_LINE"] = "\"" + path + "\" " + line;
    return o;
  }
  static RunResult exe(const std::string& program, const std::string& line, const std::string& lang = kJapanese) {
    RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "run"}, exact(program, line, lang));
    r.err = without_cr(r.err);
    return r;
  }
  static Child start(const std::string& program, const std::string& line, const std::string& lang = kJapanese) {
    return x_->start({"wine", win_ + "/tests/wine_launch.exe", "run"}, exact(program, line, lang));
  }

  static std::unique_ptr<XSession> x_;
  static std::unique_ptr<Child> browser_;
  static std::string win_, prefix_;
};
std::unique_ptr<XSession> WineE2E::x_;
std::unique_ptr<Child> WineE2E::browser_;
std::string WineE2E::win_, WineE2E::prefix_;

TEST_F(WineE2E, JapaneseLocaleIsCodePage932) {
  const RunResult ja = x_->run({"wine", win_ + "/tests/wine_launch.exe", "acp"}, wine(kJapanese));
  EXPECT_EQ(without_cr(ja.out), "932\n") << ja.err;
  const RunResult c = x_->run({"wine", win_ + "/tests/wine_launch.exe", "acp"}, wine("C.UTF-8"));
  EXPECT_NE(without_cr(c.out), "932\n");
}

TEST_F(WineE2E, EveryStyleOfQuotemill) {
  const std::string sel = "日本語の一行目\nsecond line";
  struct Case {
    std::string line, want;
  } cases[] = {
      {"-a " + U, H + ">日本語の一行目\nsecond line</a>"},
      {"-a='_blank' -h -c='quote' " + U, H + " class=\"quote\" target=\"_blank\">日本語の一行目<br>\nsecond line</a>"},
      {"-q -x " + U, "<q cite=\"" + U + "\">日本語の一行目<br />\nsecond line</q>"},
      {"-b60 " + U, "<q cite=\"" + U + "\">" + sel + "</q>"},
      {"-b10 " + U, "<blockquote cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      {"-o " + U, sel + "\n" + H + ">" + U + "</a>"},
      {"-o='_top' " + U, sel + "\n" + H + " target=\"_top\">" + U + "</a>"},
      {"-hd -h " + U, "*" + H + ">日本語の一行目<br>\nsecond line</a><br>\n<br>\n"},
      {"-a -d=100 " + U, H + ">日本語の一行目 second line</a>"},
      {U, sel},
      {"-a -h https://example.com/s?q=1&r=2", "<a href=\"https://example.com/s?q=1&r=2\">日本語の一行目<br>\nsecond line</a>"},
      // The exact line, split by the program's own rules: the quoted stretch keeps its blank
      // and loses its quotes.
      {"-a=\"_new win\" " + U, H + " target=_new win>" + sel + "</a>"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard(sel);
    const RunResult r = exe("quotemill", c.line);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.line;
  }
}

// Windows' own code-page form of an emoji is "??"; the programs keep it as a reference.
TEST_F(WineE2E, CharacterOutsideTheCodePageBecomesAReference) {
  x_->set_clipboard("絵文字😀です");
  const RunResult r = exe("quotemill", "-a " + U);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), H + ">絵文字&#x1F600;です</a>");
  // Under a Western code page the Japanese text is referenced too, never lost.
  x_->set_clipboard("é日");
  EXPECT_EQ(exe("quotemill", "-q " + U, "C.UTF-8").status, 0);
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + U + "\">é&#x65E5;</q>");
}

TEST_F(WineE2E, ArgumentErrorShowsItsBoxesAndKeepsTheClipboard) {
  x_->set_clipboard("untouched");
  Child worker = start("quotemill", "-a -h word");
  EXPECT_TRUE(x_->answer_box("^エラー$", 20s));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(x_->answer_box("^Quotemill$", 20s)) << i;
  RunResult r = worker.wait(20s);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(without_cr(r.err), "エラー: 最後の引数がURLでは無いようです。 menu.iniの記述か間違っていると思われます。\n"
                               "Quotemill: " + windows_path(win_ + "/quotemill.exe") +
                               "\nQuotemill: -a\nQuotemill: -h\nQuotemill: word\n");
  EXPECT_EQ(x_->clipboard(), "untouched");
}

TEST_F(WineE2E, UnhandledErrorIsReportedInABox) {
  x_->set_clipboard("keep me");
  Child worker = start("quotemill", "-b6a " + U);
  EXPECT_TRUE(x_->answer_box("^アプリケーション エラー$", 20s));
  const RunResult r = worker.wait(20s);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(without_cr(r.err).find("qm::Error がモジュール quotemill.exe の "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'06a' は整数ではありません."), std::string::npos) << r.err;
  EXPECT_EQ(x_->clipboard(), "keep me");
}

TEST_F(WineE2E, Quotemill3TakesTheTitleFromTheWineWindowInFront) {
  const std::string sel = "日本語の一行目\nsecond line";
  const std::string t = "title=\"テストページ\" ";
  struct Case {
    std::string line, want;
  } cases[] = {
      {"-a " + U, "<a " + t + "href=\"" + U + "\">" + sel + "</a>"},
      {"-a -c=quote " + U, "<a " + t + "class=\"quote\" href=\"" + U + "\">" + sel + "</a>"},
      {"-q " + U, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {"-b " + U, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      // 27 bytes in code page 932, with the CR LF that Wine's clipboard gives for the LF.
      {"-b27 " + U, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {"-b26 " + U, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard(sel);
    const RunResult r = exe("quotemill3", c.line);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.line;
  }
}

}  // namespace
}  // namespace qm::test

// quotemill3 end to end on a private Xvfb with openbox, a titled window of its own in the
// foreground, and xclip on the other side of the clipboard.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "x_session.h"

namespace qm::test {
namespace {

const std::string U = "http://example.com/page";
const std::string kBox = "^Quotemill_clip$";

class LiteE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    x_ = std::make_unique<XSession>(true);
    browser_ = std::make_unique<Child>(foreground("net", "テストページ - Chromium"));
  }
  static void TearDownTestSuite() {
    browser_.reset();
    x_.reset();
  }
  void TearDown() override {
    // Every test leaves the browser-like window in the foreground for the next one.
    if (const auto id = x_->wait_window("^テストページ - Chromium$", 2s))
      x_->run({"xdotool", "windowactivate", "--sync", *id});
  }

  // A window with that caption, stored as `mode` says, made the active window.
  static Child foreground(const std::string& mode, const std::string& caption) {
    Child window = x_->start({built("tests/x_peer"), mode, caption});
    const std::string pattern = "^" + std::regex_replace(caption, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") + "$";
    const auto id = x_->wait_window(pattern);
    EXPECT_TRUE(id) << caption << (window.running() ? " (running) " : " (ended) ")
                    << x_->run({"xdotool", "search", "--name", "."}).out << x_->run({"xwininfo", "-root", "-tree"}).out;
    if (id) {
      EXPECT_EQ(x_->run({"xdotool", "windowactivate", "--sync", *id}).status, 0);
    }
    return window;
  }

  static RunResult quotemill3(std::vector<std::string> args, RunOptions options = {}) {
    args.insert(args.begin(), built("quotemill3"));
    return x_->run(args, std::move(options));
  }
  // A run that shows boxes: each is answered as it comes.
  static RunResult answered(std::vector<std::string> args, int boxes, RunOptions options = {}) {
    args.insert(args.begin(), built("quotemill3"));
    Child run = x_->start(args, std::move(options));
    for (int i = 0; i < boxes; ++i) EXPECT_TRUE(x_->answer_box(kBox, 15s)) << "box " << i;
    return run.wait(15s);
  }
  static std::string owner() { return x_->run({built("tests/x_peer"), "owner"}).out; }

  static std::unique_ptr<XSession> x_;
  static std::unique_ptr<Child> browser_;
};
std::unique_ptr<XSession> LiteE2E::x_;
std::unique_ptr<Child> LiteE2E::browser_;

// A fresh directory for template files, removed again.
struct TempDir {
  TempDir() : path(std::filesystem::temp_directory_path() / ("qm_lite_e2e_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  std::filesystem::path path;
};

TEST_F(LiteE2E, EveryStyleWithTheTitleInItsAttribute) {
  const std::string sel = "日本語の一行目\nsecond line";  // 34 bytes once the read adds the CR
  const std::string t = "title=\"テストページ\" ";
  struct Case {
    std::vector<std::string> args;
    std::string want;
  } cases[] = {
      {{"-a", U}, "<a " + t + "href=\"" + U + "\">" + sel + "</a>"},
      {{"-a", "-c=quote", U}, "<a " + t + "class=\"quote\" href=\"" + U + "\">" + sel + "</a>"},
      {{"-q", U}, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {{"-b", U}, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      {{"-b34", U}, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {{"-b33", U}, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      {{"-q", "-h", U}, "<q " + t + "cite=\"" + U + "\">日本語の一行目<br>\nsecond line</q>"},
      {{"-q", "-x", U}, "<q " + t + "cite=\"" + U + "\">日本語の一行目<br />\nsecond line</q>"},
      {{"-q", "-x", "-h", U}, "<q " + t + "cite=\"" + U + "\">日本語の一行目<br>\nsecond line</q>"},
      {{"-q", "-d=34", U}, "<q " + t + "cite=\"" + U + "\">日本語の一行目second line</q>"},
      {{"-q", "-d=33", U}, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {{"-b33", "-d=34", U}, "<q " + t + "cite=\"" + U + "\">日本語の一行目second line</q>"},
      {{"-a", "\"" + U + "\""}, "<a " + t + "href=\"" + U + "\">" + sel + "</a>"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard(sel);
    const RunResult r = quotemill3(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.err.find("Quotemill_clip"), std::string::npos) << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.args[0] << " " << c.args[1];
  }
}

TEST_F(LiteE2E, SelectionWithCrLfKeepsIt) {
  x_->set_clipboard("a\r\nb\r\nc");
  ASSERT_EQ(quotemill3({"-a", "-h", U}).status, 0);
  EXPECT_EQ(x_->clipboard(), "<a title=\"テストページ\" href=\"" + U + "\">a<br>\r\nb\r\nc</a>");
}

TEST_F(LiteE2E, TitleFromEveryWayOfStoringTheCaption) {
  for (const std::string mode : {"net", "compound", "utf8"}) {
    Child window = foreground(mode, "日記の見出し - 日記 - Opera " + mode);
    x_->set_clipboard("x");
    const RunResult r = quotemill3({"-a", U});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(x_->clipboard(), "<a title=\"日記の見出し - 日記\" href=\"" + U + "\">x</a>") << mode;
  }
}

// _NET_WM_NAME of another type than UTF8_STRING (xdotool writes STRING) is read by its type.
TEST_F(LiteE2E, TitleFromANetCaptionOfAnotherType) {
  struct Case {
    std::string mode, caption, title;
  } cases[] = {
      {"net-latin1", "Café crème - Browser", "Café crème"},
      {"net-compound", "日記の見出し - Opera", "日記の見出し"},
  };
  for (const Case& c : cases) {
    Child window = foreground(c.mode, c.caption);
    x_->set_clipboard("x");
    RunOptions options;
    options.timeout = 10s;
    const RunResult r = quotemill3({"-a", U}, options);
    EXPECT_FALSE(r.timed_out) << c.mode;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Quotemill_clip"), std::string::npos) << c.mode << r.err;
    EXPECT_EQ(x_->clipboard(), "<a title=\"" + c.title + "\" href=\"" + U + "\">x</a>") << c.mode;
  }
}

TEST_F(LiteE2E, CaptionWithoutSeparatorGivesAnEmptyTitle) {
  Child window = foreground("net", "2004-05-01");
  x_->set_clipboard("x");
  const RunResult r = answered({"-a", "-c=k", U}, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Quotemill_clip: エラー!!タイトルがうまく取得できません\n"), std::string::npos) << r.err;
  EXPECT_EQ(x_->clipboard(), "<a title=\"\" class=\"k\" href=\"" + U + "\">x</a>");
}

TEST_F(LiteE2E, UnrecognisedStyleGivesTheBareTextAfterItsMessage) {
  x_->set_clipboard("plain\ntext");
  const RunResult r = answered({"-o", "-h", U}, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Quotemill_clip: ごめんなさい。この機能は削除されました。\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("タイトル"), std::string::npos) << r.err;  // the title is read after the box
  EXPECT_EQ(x_->clipboard(), "plain<br>\ntext");
}

TEST_F(LiteE2E, UserTemplateFromTheCurrentDirectory) {
  TempDir dir;
  dir.write("user.txt", "<p title=\"%t\" %cdata-rest=\"%U\">%C</p> 100%%");
  dir.write("mine.html", "[%u|%C]");
  struct Case {
    std::vector<std::string> args;
    std::string want;
  } cases[] = {
      {{"-u", "-c=k", U}, "<p title=\"テストページ\" class=\"k\" data-rest=\"example.com/page\">sel</p> 100%"},
      {{"-u", "%u", U}, "<p title=\"テストページ\" data-rest=\"example.com/page\">sel</p> 100%"},
      {{"-u", "mine.html", U}, "[" + U + "|sel]"},
      {{"-u", "\\mine.html", U}, "[" + U + "|sel]"},
      {{"-u", (dir.path / "mine.html").string(), U}, "[" + U + "|sel]"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard("sel");
    RunOptions options;
    options.cwd = dir.path.string();
    const RunResult r = quotemill3(c.args, options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.args[1];
  }
}

// A user.txt that is no regular file cannot be read either, and the run does not wait on it:
// a FIFO without a writer, a link to /dev/zero, which has no end, a directory.
TEST_F(LiteE2E, MissingOrEmptyUserTemplateLeavesTheClipboard) {
  TempDir dir;
  dir.write("empty.txt", "");
  for (const char* sub : {"fifo", "zero", "folder"}) std::filesystem::create_directories(dir.path / sub);
  ASSERT_EQ(mkfifo((dir.path / "fifo" / "user.txt").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path / "zero" / "user.txt");
  std::filesystem::create_directories(dir.path / "folder" / "user.txt");
  struct Case {
    std::string cwd, second;
  } cases[] = {
      {"", "-h"}, {"", "empty.txt"}, {"", "none.txt"}, {"", U}, {"fifo", "-h"}, {"zero", "%u"}, {"folder", "-h"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard("keep me");
    RunOptions options;
    options.cwd = (dir.path / c.cwd).string();
    const auto started = std::chrono::steady_clock::now();
    const RunResult r = answered({"-u", c.second, U}, 1, options);
    EXPECT_FALSE(r.timed_out) << c.cwd << " " << c.second;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s) << c.cwd << " " << c.second;
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Quotemill_clip: ファイルが存在しません\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("クリップボード"), std::string::npos) << r.err;
    EXPECT_EQ(x_->clipboard(), "keep me") << c.cwd << " " << c.second;
  }
}

TEST_F(LiteE2E, LastArgumentWithoutAddressEchoesTheArguments) {
  x_->set_clipboard("keep me");
  RunOptions options;
  options.env["XDG_RUNTIME_DIR"] = "";  // Qt warns about it; standard error holds our lines alone
  const RunResult r = answered({"-a", "-h", "word"}, 4, options);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Quotemill_clip: 最後の引数がURLではありません。 menu.iniの記述を確認してください。\n"
                   "Quotemill_clip: -a\nQuotemill_clip: -h\nQuotemill_clip: word\n");
  EXPECT_EQ(x_->clipboard(), "keep me");
}

TEST_F(LiteE2E, BoxesShowTheirWholeTitleCentred) {
  Child run = x_->start({built("quotemill3"), "-a", "word"});
  for (int i = 0; i < 3; ++i) {
    const auto id = x_->wait_window(kBox, 15s);
    ASSERT_TRUE(id) << i;
    EXPECT_EQ(x_->box_faults(*id, "Quotemill_clip"), "") << i;
    EXPECT_TRUE(x_->answer_box(kBox)) << i;
  }
  EXPECT_EQ(run.wait(10s).status, 0);
}

TEST_F(LiteE2E, UnansweredClipboardIsReportedAndNotWritten) {
  const std::string before = owner();
  Child holder = x_->start({built("tests/x_peer"), "own-stuck"});
  std::string held;
  for (int i = 0; i < 250 && (held = owner()) == before; ++i) std::this_thread::sleep_for(20ms);
  ASSERT_NE(held, before);
  const RunResult r = answered({"-a", U}, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Quotemill_clip: クリップボードを開くことができません\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("タイトル"), std::string::npos) << r.err;
  EXPECT_EQ(owner(), held);  // nothing was written
  EXPECT_TRUE(holder.running());
}

TEST_F(LiteE2E, WithoutDisplayEveryMessageGoesToStandardError) {
  RunOptions options;
  options.env["DISPLAY"] = ":7999";  // no server there
  const RunResult r = run({built("quotemill3"), "-a", U}, options);
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.timed_out);
  EXPECT_NE(r.err.find("Quotemill_clip: クリップボードを開くことができません\n"), std::string::npos) << r.err;

  const RunResult notice = run({built("quotemill3")}, options);
  EXPECT_EQ(notice.status, 0);
  EXPECT_NE(notice.err.find("Quotemill_clip:  Quotemill Ver3β8  β版につき  いろいろ無保証です。"), std::string::npos)
      << notice.err;
}

TEST_F(LiteE2E, NoArgumentsShowTheNoticeWindowUntilDismissed) {
  x_->set_clipboard("keep me");
  for (const std::string way : {"button", "close control"}) {
    Child run = x_->start({built("quotemill3")});
    const auto id = x_->wait_window(kBox);
    ASSERT_TRUE(id);
    const std::string info = x_->run({"xwininfo", "-id", *id}).out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info, m, std::regex(R"(Absolute upper-left X:\s+(\d+)\s+Absolute upper-left Y:\s+(\d+))")))
        << info;
    // The frame stands at 1011, 721; the client area lies within the window manager's frame.
    EXPECT_GE(std::stoi(m[1]), 1011);
    EXPECT_LE(std::stoi(m[1]), 1011 + 8);
    EXPECT_GE(std::stoi(m[2]), 721);
    EXPECT_LE(std::stoi(m[2]), 721 + 40);
    EXPECT_NE(info.find("Width: 236\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 168\n"), std::string::npos) << info;
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run.running());  // no timer closes it
    if (way == "button") {
      EXPECT_TRUE(x_->answer_box(kBox));  // Return presses "わかった。"
    } else {
      x_->run({"xdotool", "windowactivate", "--sync", *id});
      x_->run({"xdotool", "key", "--clearmodifiers", "alt+F4"});
    }
    const RunResult r = run.wait(10s);
    EXPECT_EQ(r.status, 0) << way;
    EXPECT_FALSE(r.timed_out) << way;
    EXPECT_EQ(x_->clipboard(), "keep me");
  }
}

// Without a window manager there is no _NET_ACTIVE_WINDOW: the focus window is climbed up to
// its top-level window, whose caption gives the title.
TEST(LiteE2EWithoutWindowManager, TitleOfTheFocusWindowsTopLevel) {
  XSession x(false);
  for (const std::string mode : {"net", "child", "compound"}) {
    Child window = x.start({built("tests/x_peer"), mode, "日記 - Opera " + mode});
    ASSERT_TRUE(x.wait_window("^日記 - Opera " + mode + "$"));
    std::string focus;
    for (int i = 0; i < 100 && focus.empty(); ++i) {  // the client takes the focus once mapped
      focus = x.run({"xdotool", "getwindowfocus"}).out;
      if (focus.empty() || focus.find("Invalid") != std::string::npos) focus.clear(), std::this_thread::sleep_for(20ms);
    }
    x.set_clipboard("x");
    const RunResult r = x.run({built("quotemill3"), "-a", U});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Quotemill_clip"), std::string::npos) << mode << r.err;
    EXPECT_EQ(x.clipboard(), "<a title=\"日記\" href=\"" + U + "\">x</a>") << mode;
  }
}

}  // namespace
}  // namespace qm::test

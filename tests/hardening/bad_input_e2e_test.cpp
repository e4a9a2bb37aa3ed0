// Bad files and arguments, end to end: both programs on a private Xvfb with openbox and a
// browser-like window in front, xclip on the other side. Each run ends by itself, with the
// message its rules give and the clipboard either built or left as it was.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "x_session.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

const std::string U = "http://example.com/page";
const std::string kBox = "^Quotemill_clip$";
const std::string kNoFile = "Quotemill_clip: ファイルが存在しません\n";

class BadInputE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    x_ = std::make_unique<XSession>(true);
    browser_ = std::make_unique<Child>(foreground("ページ - Browser", "^ページ - Browser$"));
  }
  static void TearDownTestSuite() {
    browser_.reset();
    x_.reset();
  }
  void TearDown() override {
    if (const auto id = x_->wait_window("^ページ - Browser$", 2s)) x_->run({"xdotool", "windowactivate", "--sync", *id});
  }

  // A window with that caption, made the active window; `pattern` finds it.
  static Child foreground(const std::string& caption, const std::string& pattern) {
    Child window = x_->start({built("tests/x_peer"), "net", caption});
    const auto id = x_->wait_window(pattern);
    EXPECT_TRUE(id) << pattern;
    if (id) {
      EXPECT_EQ(x_->run({"xdotool", "windowactivate", "--sync", *id}).status, 0);
    }
    return window;
  }

  static RunResult run(const std::string& program, std::vector<std::string> args, RunOptions options = {}) {
    args.insert(args.begin(), built(program));
    return x_->run(args, std::move(options));
  }
  // A quotemill3 run that shows boxes: each is answered as it comes.
  static RunResult answered(std::vector<std::string> args, int boxes, RunOptions options = {}) {
    args.insert(args.begin(), built("quotemill3"));
    Child child = x_->start(args, std::move(options));
    for (int i = 0; i < boxes; ++i) EXPECT_TRUE(x_->answer_box(kBox, 15s)) << "box " << i;
    return child.wait(30s);
  }

  static std::unique_ptr<XSession> x_;
  static std::unique_ptr<Child> browser_;
};
std::unique_ptr<XSession> BadInputE2E::x_;
std::unique_ptr<Child> BadInputE2E::browser_;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("qm_bad_input_e2e_" + std::to_string(getpid()))) {
    fs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  fs::path path;
};

// A template that is no readable file: the message, and the selection stays. A file of mode
// 000 is such a file only for a user other than root, who reads it all the same; the
// directory and the link to nothing cannot be read by anyone.
TEST_F(BadInputE2E, TemplateThatCannotBeReadLeavesTheClipboard) {
  TempDir dir;
  fs::create_directory(dir.path / "folder");
  fs::create_symlink("nowhere.txt", dir.path / "dangling.txt");
  std::vector<std::string> names{"folder", "folder/", (dir.path / "folder").string(), "dangling.txt", "\\folder"};
  if (geteuid() != 0) {
    dir.write("locked.txt", "<p>%C</p>");
    fs::permissions(dir.path / "locked.txt", fs::perms::none);
    names.push_back("locked.txt");
  }
  for (const std::string& name : names) {
    x_->set_clipboard("keep me");
    RunOptions options;
    options.cwd = dir.path.string();
    const RunResult r = answered({"-u", name, U}, 1, options);
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_FALSE(r.timed_out) << name;
    EXPECT_NE(r.err.find(kNoFile), std::string::npos) << name << r.err;
    EXPECT_EQ(x_->clipboard(), "keep me") << name;
  }
}

// A template file of up to 16 MiB is used whole; a larger one, 100 MB, is a file that cannot
// be read: the message, and the selection stays.
TEST_F(BadInputE2E, TemplateUpToSixteenMebibytesIsUsedWhole) {
  constexpr std::size_t kLimit = 16 << 20;  // quotemill3's largest template file
  TempDir dir;
  const std::string head = "<p title=\"%t\">%C</p>";
  dir.write("big.txt", head + std::string(kLimit - head.size(), 'x'));
  dir.write("huge.txt", head + std::string(100 << 20, 'x'));
  x_->set_clipboard("sel");
  RunOptions options;
  options.cwd = dir.path.string();
  options.timeout = 120s;
  const RunResult r = run("quotemill3", {"-u", "big.txt", U}, options);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.err.find("Quotemill_clip"), std::string::npos) << r.err;
  const std::optional<std::string> got = x_->clipboard(120s);
  ASSERT_TRUE(got);
  const std::string quote = "<p title=\"ページ\">sel</p>";
  EXPECT_EQ(got->size(), quote.size() + kLimit - head.size());
  EXPECT_EQ(got->substr(0, quote.size()), quote);
  EXPECT_EQ(got->find_first_not_of('x', quote.size()), std::string::npos);

  x_->set_clipboard("keep me");
  const RunResult huge = answered({"-u", "huge.txt", U}, 1, options);
  EXPECT_EQ(huge.status, 0) << huge.err;
  EXPECT_FALSE(huge.timed_out);
  EXPECT_NE(huge.err.find(kNoFile), std::string::npos) << huge.err;
  EXPECT_EQ(x_->clipboard(), "keep me");
}

TEST_F(BadInputE2E, BinaryTemplateGoesOnTheClipboardUpToItsFirstNul) {
  TempDir dir;
  std::string bytes;
  for (int b = 1; b < 256; ++b)
    if (b != '%') bytes += static_cast<char>(b);
  dir.write("binary.bin", bytes + "%C" + bytes + std::string(1, '\0') + "after the NUL");
  x_->set_clipboard("sel");
  RunOptions options;
  options.cwd = dir.path.string();
  const RunResult r = run("quotemill3", {"-u", "binary.bin", U}, options);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), bytes + "sel" + bytes);
}

TEST_F(BadInputE2E, ThousandArguments) {
  std::vector<std::string> args{"-q"};
  for (int i = 0; i < 998; ++i) args.push_back("-h");
  args.push_back(U);
  std::string brs;
  for (int i = 0; i < 998; ++i) brs += "<br>";

  x_->set_clipboard("a\nb");
  RunResult r = run("quotemill", args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + U + "\">a" + brs + "\nb</q>");  // each "-h" once more

  x_->set_clipboard("a\nb");
  r = run("quotemill3", args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), "<q title=\"ページ\" cite=\"" + U + "\">a<br>\nb</q>");  // the first break only

  // Without a URL last, every argument is echoed; without a display only on standard error.
  std::vector<std::string> words;
  std::string echoed3, echoed;
  for (int i = 1; i <= 1000; ++i) {
    words.push_back("w" + std::to_string(i));
    echoed3 += "Quotemill_clip: w" + std::to_string(i) + "\n";
    echoed += "Quotemill: w" + std::to_string(i) + "\n";
  }
  RunOptions no_display;
  no_display.env["DISPLAY"] = ":7999";
  words.insert(words.begin(), built("quotemill3"));
  r = qm::test::run(words, no_display);
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.timed_out);
  EXPECT_NE(r.err.find("ください。\n" + echoed3), std::string::npos) << r.err.substr(0, 300);
  words[0] = built("quotemill");
  r = qm::test::run(words, no_display);
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.timed_out);
  EXPECT_NE(r.err.find("quotemill\n" + echoed), std::string::npos) << r.err.substr(0, 300);
}

TEST_F(BadInputE2E, ArgumentOfOneMebibyte) {
  // Linux passes at most 128 KiB in one argument; a quoted stretch over eleven of them makes
  // one argument of 1 MiB by the programs' own splitting.
  std::vector<std::string> pieces{"\"" + U + "?" + std::string(100000, 'a')};
  while (pieces.size() < 11) pieces.push_back(std::string(100000, 'b'));
  pieces.back() += "\"";
  std::string url = pieces[0].substr(1);
  for (std::size_t i = 1; i < pieces.size(); ++i) url += " " + pieces[i];
  url.pop_back();
  ASSERT_GT(url.size(), 1u << 20);

  std::vector<std::string> args{"-q"};
  args.insert(args.end(), pieces.begin(), pieces.end());
  x_->set_clipboard("sel");
  RunResult r = run("quotemill", args);
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
  EXPECT_TRUE(x_->clipboard() == "<q cite=\"" + url + "\">sel</q>");

  x_->set_clipboard("sel");
  r = run("quotemill3", args);
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
  EXPECT_TRUE(x_->clipboard() == "<q title=\"ページ\" cite=\"" + url + "\">sel</q>");
}

TEST_F(BadInputE2E, CaptionOfHundredKilobytes) {
  {
    Child window = foreground("page - " + std::string(100 << 10, 'y'), "^page - yyyy");
    x_->set_clipboard("sel");
    const RunResult r = run("quotemill3", {"-a", U});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(x_->clipboard(), "<a title=\"page\" href=\"" + U + "\">sel</a>");
  }
  {
    // The only separator lies past the 1023 bytes that are read: no title, and its message.
    Child window = foreground(std::string(100 << 10, 'x') + " - Browser", "^xxxx");
    x_->set_clipboard("sel");
    const RunResult r = answered({"-a", U}, 1);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Quotemill_clip: エラー!!タイトルがうまく取得できません\n"), std::string::npos) << r.err;
    EXPECT_EQ(x_->clipboard(), "<a title=\"\" href=\"" + U + "\">sel</a>");
  }
}

}  // namespace
}  // namespace qm::test

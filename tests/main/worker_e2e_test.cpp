// quotemill end to end on a private Xvfb, with xclip and small X clients on the other side.
// The clipboard's misbehaving owners are the fault tables of clipboard_faults_e2e_test.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "x_session.h"

namespace qm::test {
namespace {

const std::string U = "http://example.com/page";
const std::string H = "<a href=\"" + U + "\"";

class WorkerE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { x_ = std::make_unique<XSession>(); }
  static void TearDownTestSuite() { x_.reset(); }

  static RunResult quotemill(std::vector<std::string> args, RunOptions options = {}) {
    args.insert(args.begin(), built("quotemill"));
    return x_->run(args, std::move(options));
  }

  static std::unique_ptr<XSession> x_;
};
std::unique_ptr<XSession> WorkerE2E::x_;

TEST_F(WorkerE2E, EveryStyleOnTheRealClipboard) {
  const std::string sel = "日本語の一行目\nsecond line";
  struct Case {
    std::vector<std::string> args;
    std::string want;
  } cases[] = {
      {{"-a", U}, H + ">日本語の一行目\nsecond line</a>"},
      {{"-a='_blank'", "-h", "-c='quote'", U},
       H + " class=\"quote\" target=\"_blank\">日本語の一行目<br>\nsecond line</a>"},
      {{"-q", "-x", U}, "<q cite=\"" + U + "\">日本語の一行目<br />\nsecond line</q>"},
      {{"-b60", U}, "<q cite=\"" + U + "\">" + sel + "</q>"},  // 35 bytes with the CR counted
      {{"-b10", U}, "<blockquote cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      {{"-o", U}, sel + "\n" + H + ">" + U + "</a>"},
      {{"-o='_top'", U}, sel + "\n" + H + " target=\"_top\">" + U + "</a>"},
      {{"-hd", "-h", U}, "*" + H + ">日本語の一行目<br>\nsecond line</a><br>\n<br>\n"},
      {{"-a", "-d=100", U}, H + ">日本語の一行目 second line</a>"},
      {{U}, sel},
      // Today's pages are mostly https.
      {{"-a", "-h", "https://example.com/s?q=1&r=2"},
       "<a href=\"https://example.com/s?q=1&r=2\">日本語の一行目<br>\nsecond line</a>"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard(sel);
    const RunResult r = quotemill(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(x_->clipboard(), c.want) << c.args[0];
  }
}

TEST_F(WorkerE2E, SelectionWithCrLfKeepsIt) {
  x_->set_clipboard("a\r\nb");
  ASSERT_EQ(quotemill({"-q", "-h", U}).status, 0);
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + U + "\">a<br>\r\nb</q>");
}

TEST_F(WorkerE2E, ResultOutlivesTheWorkerAndServesManyReaders) {
  x_->set_clipboard("first");
  ASSERT_EQ(quotemill({"-a", U}).status, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(x_->clipboard(), H + ">first</a>");
  // The next run reads the previous run's result from its serving process.
  ASSERT_EQ(quotemill({"-q", U}).status, 0);
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + U + "\">" + as_html_text(H + ">first</a>") + "</q>");
}

TEST_F(WorkerE2E, SixteenMebibytesBothWays) {
  std::string big;
  big.reserve(16u << 20);
  for (std::size_t i = 0; big.size() < (16u << 20); ++i)
    big += "行" + std::to_string(i) + " quick brown fox\n";
  x_->set_clipboard(big);
  RunOptions options;
  options.timeout = 60s;
  const RunResult r = quotemill({"-a", U}, options);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto back = x_->clipboard(60s);
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(*back == H + ">" + big + "</a>") << "sizes " << back->size() << " vs " << big.size();
}

// A quote is offered as text/html beside the text, holding the same characters, for visual
// editors; the text written back as it is, and every result with rich paste off, as text
// alone. The text targets are the source either way.
TEST_F(WorkerE2E, HtmlFormBesideTheText) {
  const std::string sel = "引用 & <b>\n二行目";
  const std::string q = "<q cite=\"" + U + "\">" + as_html_text(sel) + "</q>";
  struct Case {
    std::string program;
    std::vector<std::string> args;
    std::string rich;  // QUOTEMILL_RICH, "" for unset
    std::string want;
    bool html;
  } cases[] = {
      {"quotemill", {"-b60", U}, "", q, true},
      {"quotemill", {"-hd", U}, "", "*" + H + ">" + as_html_text(sel) + "</a>\n\n", true},
      {"quotemill", {U}, "", sel, false},
      {"quotemill", {"-b60", U}, "0", q, false},
      {"quotemill", {"-b60", U}, "1", q, true},
      {"quotemill3", {"-a", U}, "", "<a title=\"Page\" href=\"" + U + "\">" + as_html_text(sel) + "</a>", true},
      {"quotemill3", {"-o", U}, "", sel, false},  // the bare text after its message
      {"quotemill3", {"-a", U}, "0", "<a title=\"Page\" href=\"" + U + "\">" + as_html_text(sel) + "</a>", false},
  };
  for (const Case& c : cases) {
    const std::string what = c.program + " " + c.args[0] + (c.rich.empty() ? "" : " QUOTEMILL_RICH=" + c.rich);
    x_->set_clipboard(sel);
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), built(c.program));
    RunOptions options = started_by_the_helper("Page - Browser");
    options.env["QUOTEMILL_RICH"] = c.rich;
    const RunResult r = x_->run(argv, options);
    EXPECT_EQ(r.status, 0) << what << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << what;
    const RunResult targets = x_->run({"xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"});
    EXPECT_EQ(targets.out.find("\ntext/html\n") != std::string::npos, c.html) << what << ": " << targets.out;
    const RunResult html = x_->run({"xclip", "-selection", "clipboard", "-t", "text/html", "-o"});
    if (c.html)
      EXPECT_EQ(html.out, "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">" + c.want) << what;
    else
      EXPECT_NE(html.status, 0) << what << ": " << html.out;
  }
}

TEST_F(WorkerE2E, ErrorReportIsABoxOnTheDisplay) {
  x_->set_clipboard("keep me");
  Child worker = x_->start({built("quotemill"), "-b6a", U});
  EXPECT_TRUE(x_->answer_box("^アプリケーション エラー$"));
  const RunResult r = worker.wait(10s);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("'06a' は整数ではありません."), std::string::npos) << r.err;
  EXPECT_EQ(x_->clipboard(), "keep me");
}

TEST_F(WorkerE2E, NoDisplayIsAnErrorOnStandardError) {
  for (const char* display : {":4095", ""}) {
    RunOptions options;
    if (*display) options.env["DISPLAY"] = display;
    const RunResult r = run({built("quotemill"), "-a", U}, options);
    EXPECT_EQ(r.status, 1) << display;
    EXPECT_NE(r.err.find("クリップボードを開くことができません."), std::string::npos) << r.err;
  }
}

TEST_F(WorkerE2E, ProgramPathIsNeverCut) {
  // A path far beyond the 260 bytes of the original desktop's buffers.
  std::filesystem::path dir = ::testing::TempDir();
  for (int i = 0; i < 8; ++i) dir /= std::string(40, static_cast<char>('a' + i));
  std::filesystem::create_directories(dir);
  const std::filesystem::path program = dir / "quotemill";
  std::filesystem::copy_file(built("quotemill"), program, std::filesystem::copy_options::overwrite_existing);
  ASSERT_GT(program.string().size(), 300u);
  const RunResult r = run({program.string(), "not-a-url"});  // no display: the boxes go to stderr
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Quotemill: " + program.string() + "\n"), std::string::npos) << r.err;
  std::filesystem::remove_all(std::filesystem::path(::testing::TempDir()) / std::string(40, 'a'));
}

TEST_F(WorkerE2E, ArgumentErrorShowsItsBoxesAndKeepsTheClipboard) {
  x_->set_clipboard("untouched");
  RunOptions options;
  options.env["XDG_RUNTIME_DIR"] = "";  // Qt warns about it; standard error holds our lines alone
  Child worker = x_->start({built("quotemill"), "-a", "-h", "word"}, options);
  EXPECT_TRUE(x_->answer_box("^エラー$"));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(x_->answer_box("^Quotemill$")) << i;
  const RunResult r = worker.wait(10s);
  EXPECT_EQ(r.status, 0);
  // The box's two lines are one line here.
  EXPECT_EQ(r.err, "エラー: 最後の引数がURLでは無いようです。 menu.iniの記述か間違っていると思われます。\n"
                   "Quotemill: " + built("quotemill") + "\nQuotemill: -a\nQuotemill: -h\nQuotemill: word\n");
  EXPECT_EQ(x_->clipboard(), "untouched");
}

TEST(WorkerE2EWithWindowManager, BoxesShowTheirWholeTitleCentred) {
  XSession x(/*window_manager=*/true);
  Child worker = x.start({built("quotemill"), "-a", "word"});
  for (const std::string title : {"エラー", "Quotemill", "Quotemill", "Quotemill"}) {
    const auto id = x.wait_window("^" + title + "$", 15s);
    ASSERT_TRUE(id) << title;
    EXPECT_EQ(x.box_faults(*id, title), "") << title;
    EXPECT_TRUE(x.answer_box("^" + title + "$")) << title;
  }
  EXPECT_EQ(worker.wait(10s).status, 0);
}

TEST_F(WorkerE2E, CallerReadingOutputToItsEndIsNotKeptWaiting) {
  x_->set_clipboard("x");
  RunOptions options;
  options.timeout = 5s;  // run() reads both output streams to their end
  const RunResult r = quotemill({"-a", U}, options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(x_->clipboard(), H + ">x</a>");  // and the serving process is still there
}

TEST_F(WorkerE2E, ThreadedProgramWritesThroughAStartedServer) {
  RunOptions options;
  options.timeout = 10s;
  const RunResult r = x_->run({built("tests/threaded_writer"), "from a thread\nline 2"}, options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), "from a thread\nline 2");
}

}  // namespace
}  // namespace qm::test

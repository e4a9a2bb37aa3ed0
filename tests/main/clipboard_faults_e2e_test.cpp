// The clipboard under misbehaving peers, a dying display and load: nothing lost, nothing
// hung, nothing left running.

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "x_session.h"

namespace qm::test {
namespace {

std::string proc_file(int pid, const char* name) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The processes on `display` whose command line holds `argument`: a worker run and the
// serving process it leaves behind carry its page address. Other suites may run the same
// tests on the machine at the same time, on displays of their own.
std::vector<int> processes_with(const std::string& argument, const std::string& display) {
  std::vector<int> pids;
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  while (dirent* e = readdir(proc.get())) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream f("/proc/" + std::string(e->d_name) + "/cmdline", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    const std::string cmdline = s.str();
    if (cmdline.find(std::string(1, '\0') + argument + '\0') == std::string::npos) continue;
    const std::string env = std::string(1, '\0') + proc_file(pid, "environ");
    if (env.find(std::string(1, '\0') + "DISPLAY=" + display + '\0') != std::string::npos) pids.push_back(pid);
  }
  return pids;
}

std::string big_text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "大きな選択 " + std::to_string(i) + "\n";
  text.resize(size);
  return text;
}

class ClipboardFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { x_ = std::make_unique<XSession>(); }
  static void TearDownTestSuite() { x_.reset(); }

  static std::string owner() { return x_->clipboard_owner(); }
  static Child start_owner(const std::string& mode, const std::string& file = "") {
    return file.empty() ? x_->start_owner({mode}) : x_->start_owner({mode, file});
  }

  static std::unique_ptr<XSession> x_;
};
std::unique_ptr<XSession> ClipboardFaults::x_;

TEST_F(ClipboardFaults, OwnerDyingInTheMiddleOfATransfer) {
  Child dying = start_owner("own-incr-die");
  Child worker = x_->start({built("quotemill"), "-a", "http://example.com/"});
  EXPECT_TRUE(x_->answer_box("^アプリケーション エラー$", 20s));
  const RunResult r = worker.wait(10s);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("クリップボードを開くことができません."), std::string::npos) << r.err;
  EXPECT_EQ(owner(), "none");  // the worker wrote nothing in its place
}

TEST_F(ClipboardFaults, StalledReaderDoesNotHoldUpOthers) {
  const std::string url = "http://example.com/stalled-reader";
  x_->set_clipboard(big_text(3u << 20));
  ASSERT_EQ(x_->run({built("quotemill"), url}).status, 0);  // now our server holds it
  const std::string served = *x_->clipboard();
  Child stalled = x_->start({built("tests/x_peer"), "read-incr-stall"});
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(x_->clipboard(), served);  // served while the other transfer hangs
  std::this_thread::sleep_for(6s);     // past the point where the stalled transfer is dropped
  EXPECT_EQ(x_->clipboard(), served);
  EXPECT_EQ(processes_with(url, x_->display()).size(), 1u);
}

TEST_F(ClipboardFaults, InvalidUtf8PassesByteForByte) {
  const std::string bytes = "ok \xFF\xFE \xC3\x28 \xE3\x81 \xED\xA0\x80 end";
  const std::string file = ::testing::TempDir() + "invalid.txt";
  std::ofstream(file, std::ios::binary) << bytes;
  Child peer = start_owner("own-bytes", file);
  ASSERT_EQ(x_->run({built("quotemill"), "-q", "http://example.com/"}).status, 0);
  EXPECT_EQ(x_->clipboard(), "<q cite=\"http://example.com/\">" + bytes + "</q>");
}

TEST_F(ClipboardFaults, FiftyReadersAtOnce) {
  const std::string text = big_text(10u << 20);
  x_->set_clipboard(text);
  ASSERT_EQ(x_->run({built("quotemill"), "http://example.com/fifty"}).status, 0);
  std::vector<Child> readers;
  for (int i = 0; i < 50; ++i) readers.push_back(x_->start({"xclip", "-selection", "clipboard", "-o"}));
  int exact = 0;
  for (Child& reader : readers) {
    const RunResult r = reader.wait(120s);
    exact += r.status == 0 && r.out == text;
  }
  EXPECT_EQ(exact, 50);
}

// A reader asks for the clipboard and a new copy takes it at once: the serving process still
// answers, and a transfer under way goes on to its end before the process leaves.
TEST_F(ClipboardFaults, RequestsRacingANewCopyAreAllAnswered) {
  const std::string url = "http://example.com/race";
  const std::string empty_quote = "<q cite=\"" + url + "\"></q>";
  x_->run({built("tests/x_peer"), "race-read"});  // whatever the test before left goes with it
  int answered = 0;
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(x_->run({built("quotemill"), "-q", url}).status, 0);  // the racer left no owner
    const RunResult r = x_->run({built("tests/x_peer"), "race-read"});
    EXPECT_EQ(r.out, "got " + std::to_string(empty_quote.size()) + "\n") << i;
    answered += r.out == "got " + std::to_string(empty_quote.size()) + "\n";
  }
  EXPECT_EQ(answered, 20);
  const std::string text = big_text(20u << 20);
  const std::size_t quoted = ("<q cite=\"" + url + "\">" + text + "</q>").size();
  int transferred = 0;
  for (int i = 0; i < 3; ++i) {
    x_->set_clipboard(text);
    ASSERT_EQ(x_->run({built("quotemill"), "-q", url}).status, 0);
    const RunResult r = x_->run({built("tests/x_peer"), "race-read"});
    EXPECT_EQ(r.out, "got " + std::to_string(quoted) + "\n");
    transferred += r.out == "got " + std::to_string(quoted) + "\n";
  }
  EXPECT_EQ(transferred, 3);
}

// Another program copies while the worker reads the old owner: the newer copy stays. The
// write fails as with a clipboard that cannot be opened: quotemill reports it, quotemill3
// keeps a failed write to itself.
TEST_F(ClipboardFaults, CopyDuringTheReadIsNotOverwritten) {
  for (const std::string program : {"quotemill", "quotemill3"}) {
    Child peer = start_owner("own-incr-copied");
    RunOptions options;
    options.timeout = 30s;
    const RunResult r = x_->run_answering({built(program), "-q", "http://example.com/newer"},
                                          program == "quotemill" ? "^アプリケーション エラー$" : "^Quotemill_clip$",
                                          options);
    EXPECT_FALSE(r.timed_out) << program;
    EXPECT_EQ(r.status, program == "quotemill" ? 1 : 0) << program << r.err;
    if (program == "quotemill") {
      EXPECT_NE(r.err.find("クリップボードを開くことができません."), std::string::npos) << r.err;
    }
    // Each program ends by its own rules: the handed-over connection is never spoken on again,
    // so Xlib has nothing to report.
    for (const char* x_error : {"XIO", "X connection", "Xlib", "X Error"})
      EXPECT_EQ(r.err.find(x_error), std::string::npos) << program << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), "newer copy") << program;
  }
}

// Ten runs started at once, as a double click starts two: whichever writes last wins, a run
// whose write another of ours overtakes is no failure, and one serving process stays.
TEST_F(ClipboardFaults, TenRunsAtOnceGiveOneSaneResult) {
  const std::string url = "http://example.com/at-once";
  for (int round = 0; round < 3; ++round) {
    x_->set_clipboard("orig");
    std::vector<Child> runs;
    for (int i = 0; i < 10; ++i) runs.push_back(x_->start({built("quotemill"), "-q", url}));
    int clean = 0;
    for (Child& run : runs) {
      const RunResult r = run.wait(30s);
      EXPECT_EQ(r.err, "") << round;
      clean += r.status == 0 && r.err.empty();
    }
    EXPECT_EQ(clean, 10) << round;
    const std::optional<std::string> got = x_->clipboard();
    ASSERT_TRUE(got);
    std::string expected = "orig";
    while (expected.size() < got->size()) expected = "<q cite=\"" + url + "\">" + as_html_text(expected) + "</q>";
    EXPECT_EQ(*got, expected) << round;
    EXPECT_NE(*got, "orig") << round;
    for (int i = 0; i < 250 && processes_with(url, x_->display()).size() > 1; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(processes_with(url, x_->display()).size(), 1u) << round;
  }
}


#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressSanitizer = true;  // its shadow memory cannot live under ulimit -v
#else
constexpr bool kAddressSanitizer = false;
#endif

// The serving process holds its result and little else, once it has served it whole.
TEST_F(ClipboardFaults, ServingProcessHoldsItsResultAndLittleElse) {
  if (kAddressSanitizer) GTEST_SKIP() << "the sanitizer's shadow and quarantine are no measure of the program";
  const std::string url = "http://example.com/resident";
  for (const std::size_t mib : {20u, 135u}) {
    x_->set_clipboard(big_text(mib << 20));
    RunOptions options;
    options.timeout = 60s;
    ASSERT_EQ(x_->run({built("quotemill"), url}, options).status, 0);
    const std::optional<std::string> served = x_->clipboard(60s);
    ASSERT_TRUE(served);
    ASSERT_EQ(served->size(), mib << 20);
    const std::vector<int> servers = processes_with(url, x_->display());
    ASSERT_EQ(servers.size(), 1u);
    const std::string status = proc_file(servers[0], "status");
    const std::size_t at = status.find("VmRSS:");
    ASSERT_NE(at, std::string::npos);
    const std::size_t resident_kib = std::stoul(status.substr(at + 6));
    EXPECT_LE(resident_kib, (mib << 10) * 11 / 10 + (4u << 10)) << mib << " MiB";
  }
}

// Under a memory limit, a selection larger than the whole limit and owners that claim 4 GiB
// or never end are clipboards that cannot be opened: a report, no crash, the clipboard as it
// was.
TEST_F(ClipboardFaults, TextsBeyondTheMemoryLimitFailCleanly) {
  if (kAddressSanitizer) GTEST_SKIP() << "no memory limit under AddressSanitizer";
  const std::string url = "http://example.com/memory";
  const std::string report = "クリップボードを開くことができません";
  RunOptions limited;
  limited.address_space_mib = 256;
  limited.timeout = 60s;
  auto quotemill = [&](const std::string& program) {
    return x_->run_answering({built(program), "-q", url},
                             program == "quotemill" ? "^アプリケーション エラー$" : "^Quotemill_clip$", limited);
  };

  x_->set_clipboard(big_text(300u << 20));
  RunOptions unlimited;
  unlimited.timeout = 60s;
  ASSERT_EQ(x_->run({built("quotemill"), url}, unlimited).status, 0);  // now served by our own process
  for (const std::string program : {"quotemill", "quotemill3"}) {
    const std::string held = owner();
    const RunResult r = quotemill(program);
    EXPECT_FALSE(r.timed_out) << program;
    EXPECT_EQ(r.status, program == "quotemill" ? 1 : 0) << program << r.err;
    EXPECT_NE(r.err.find(report), std::string::npos) << program << r.err;
    EXPECT_EQ(r.err.find("bad_alloc"), std::string::npos) << program << r.err;
    EXPECT_EQ(owner(), held) << program;
  }

  for (const std::string program : {"quotemill", "quotemill3"}) {
    Child endless = start_owner("own-incr-endless");
    const std::string held = owner();
    const RunResult r = quotemill(program);
    EXPECT_FALSE(r.timed_out) << program;
    EXPECT_EQ(r.status, program == "quotemill" ? 1 : 0) << program << r.err;
    EXPECT_NE(r.err.find(report), std::string::npos) << program << r.err;
    EXPECT_EQ(owner(), held) << program;
  }

  Child huge = start_owner("own-incr-huge");
  const RunResult claimed = quotemill("quotemill");
  EXPECT_EQ(claimed.status, 0) << claimed.err;
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + url + "\">huge claim</q>");

  // Without a limit: a byte now and then keeps no read going for ever.
  Child drip = start_owner("own-incr-drip");
  const std::string held = owner();
  const RunResult dripped = x_->run_answering({built("quotemill"), "-q", url}, "^アプリケーション エラー$", unlimited);
  EXPECT_FALSE(dripped.timed_out);
  EXPECT_EQ(dripped.status, 1) << dripped.err;
  EXPECT_NE(dripped.err.find(report), std::string::npos) << dripped.err;
  EXPECT_EQ(owner(), held);
}

TEST(ClipboardFaultsOwnDisplay, DisplayGoingAwayEndsTheServingProcess) {
  const std::string url = "http://example.com/display-goes";
  std::string display;
  {
    XSession x;
    x.set_clipboard("text");
    ASSERT_EQ(x.run({built("quotemill"), "-q", url}).status, 0);
    ASSERT_EQ(processes_with(url, x.display()).size(), 1u);
    display = x.display();
  }
  for (int i = 0; i < 250 && !processes_with(url, display).empty(); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(processes_with(url, display).empty());
}

// Legacy readers get STRING and COMPOUND_TEXT; a SelectionClear that another client sends
// does not end the serving process.
TEST_F(ClipboardFaults, LegacyTargetsAndAForgedClear) {
  const std::string url = "http://example.com/legacy";
  x_->set_clipboard("Café 日本 😀");
  ASSERT_EQ(x_->run({built("quotemill"), url}).status, 0);
  auto read = [&](const std::string& target) {
    return x_->run({"xclip", "-selection", "clipboard", "-o", "-t", target}).out;
  };
  const std::string targets = read("TARGETS");
  for (const char* t : {"UTF8_STRING", "STRING", "COMPOUND_TEXT", "TEXT", "TARGETS"})
    EXPECT_NE(targets.find(std::string(t) + "\n"), std::string::npos) << t << "\n" << targets;
  EXPECT_EQ(read("STRING"), "Caf\xE9 &#x65E5;&#x672C; &#x1F600;");
  // Xlib's compound text: Latin-1 in its initial state, then the designations for Japanese.
  const std::string compound = read("COMPOUND_TEXT");
  EXPECT_EQ(compound.substr(0, 5), "Caf\xE9 ");
  EXPECT_NE(compound.find("\x1B$"), std::string::npos);

  ASSERT_EQ(x_->run({built("tests/x_peer"), "send-clear"}).status, 0);
  EXPECT_EQ(x_->clipboard(), "Café 日本 😀");
  EXPECT_EQ(processes_with(url, x_->display()).size(), 1u);
}

// A display that accepts the connection and never answers: both programs give up within a
// few seconds, as with a clipboard that cannot be opened, and nothing is written.
TEST(ClipboardFaultsOwnDisplay, FrozenDisplayIsAClipboardThatCannotBeOpened) {
  XSession x;
  x.set_clipboard("keep me");
  const std::string held = x.clipboard_owner();
  x.freeze(true);
  RunOptions options;
  options.timeout = 20s;
  const RunResult main = x.run({built("quotemill"), "-q", "http://example.com/frozen"}, options);
  const RunResult lite = x.run({built("quotemill3"), "-q", "http://example.com/frozen"}, options);
  x.freeze(false);
  EXPECT_FALSE(main.timed_out);
  EXPECT_EQ(main.status, 1) << main.err;
  EXPECT_NE(main.err.find("クリップボードを開くことができません."), std::string::npos) << main.err;
  EXPECT_FALSE(lite.timed_out);
  EXPECT_EQ(lite.status, 0) << lite.err;
  EXPECT_NE(lite.err.find("Quotemill_clip: クリップボードを開くことができません\n"), std::string::npos) << lite.err;
  EXPECT_EQ(x.clipboard_owner(), held);
  EXPECT_EQ(x.clipboard(), "keep me");
}

// A test program killed from outside, as a ctest time-out does, takes its Xvfb with it.
TEST(ClipboardFaultsOwnDisplay, KilledTestProgramLeavesNoXvfb) {
  int report[2];
  ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
  const pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    try {
      XSession x;
      const pid_t server = x.server_pid();
      if (write(report[1], &server, sizeof server) != sizeof server) _exit(1);
      for (;;) pause();  // until killed
    } catch (...) {
    }
    _exit(1);
  }
  close(report[1]);
  pid_t server = -1;
  pollfd p{report[0], POLLIN, 0};
  const bool told = poll(&p, 1, 20000) > 0 && read(report[0], &server, sizeof server) == sizeof server;
  close(report[0]);
  kill(program, SIGKILL);
  waitpid(program, nullptr, 0);
  ASSERT_TRUE(told);
  ASSERT_GT(server, 0);
  // Gone, or a zombie left to whoever adopted it.
  auto alive = [&] {
    const std::string stat = proc_file(server, "stat");
    const std::size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
  };
  for (int i = 0; i < 250 && alive(); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(alive());
}

// Both programs in turn, each quoting what the run before it left, with a browser-like
// window in front for quotemill3's title.
TEST(ClipboardLoad, TwoHundredRunsInTurn) {
  XSession x(true);
  Child window = x.start({built("tests/x_peer"), "net", "Load page - Browser"});
  const auto id = x.wait_window("^Load page - Browser$");
  ASSERT_TRUE(id);
  x.run({"xdotool", "windowactivate", "--sync", *id});

  const std::string url = "http://example.com/load";
  std::string expected = "start";
  x.set_clipboard(expected);
  int exact = 0;
  for (int i = 0; i < 200; ++i) {
    const bool main = i % 2 == 0;
    const RunResult r = x.run({built(main ? "quotemill" : "quotemill3"), "-q", url});
    expected = (main ? "<q cite=\"" + url + "\">" : "<q title=\"Load page\" cite=\"" + url + "\">") +
               as_html_text(expected) + "</q>";
    exact += r.status == 0 && x.clipboard() == expected;
  }
  EXPECT_EQ(exact, 200);
  // A serving process that lost the clipboard leaves once the X server has taken its last answer.
  for (int i = 0; i < 250 && processes_with(url, x.display()).size() > 1; ++i) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(processes_with(url, x.display()).size(), 1u);  // each serving process left when the next took over
}

}  // namespace
}  // namespace qm::test

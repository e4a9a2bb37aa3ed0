// Both workers end to end on real Wayland compositors run headless, with a Wayland-native
// window in front and wl-copy and wl-paste on the other side: sway and KWin offer
// data-control, so the programs take the Wayland clipboard there; mutter offers none, so they
// take X11's through its XWayland, which mutter bridges. The clipboard's faults on Wayland
// are rows of the fault tables in tests/main/clipboard_faults_e2e_test.cpp.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "wayland_session.h"

namespace qm::test {
namespace {

const std::string U = "http://example.com/page";
const std::string kCaption = "テストページ - Firefox";
const std::string kTitle = "テストページ";
const std::string kCannotOpen = "クリップボードを開くことができません";

constexpr Compositor kCompositors[] = {Compositor::Sway, Compositor::KWin, Compositor::Mutter};

std::string compositor_test_name(const ::testing::TestParamInfo<Compositor>& info) {
  return compositor_name(info.param);
}

std::string big_text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "大きな選択 " + std::to_string(i) + "\n";
  text.resize(size);
  return text;
}

RunOptions as_the_helper_starts_it(std::chrono::milliseconds timeout = 30s) {
  return started_by_the_helper(kCaption, timeout);
}

// The two workers' results for `-a U`: quotemill3 takes the title from the caption.
std::string linked(const std::string& program, const std::string& text) {
  return (program == "quotemill" ? "<a href=\"" + U + "\">" : "<a title=\"" + kTitle + "\" href=\"" + U + "\">") +
         as_html_text(text) + "</a>";
}

// One session per compositor for each suite; started when its first test asks for it.
class WaylandE2E : public ::testing::TestWithParam<Compositor> {
 protected:
  static void TearDownTestSuite() { sessions_.clear(); }
  void SetUp() override {
    auto& session = sessions_[GetParam()];
    if (!session) session = std::make_unique<WaylandSession>(GetParam());
    w_ = session.get();
  }
  void TearDown() override {
    // Every test leaves the Wayland-native window in front for the next one.
    if (w_ && !w_->native_window_in_front()) w_->focus_native_window();
  }

  static std::map<Compositor, std::unique_ptr<WaylandSession>> sessions_;
  WaylandSession* w_ = nullptr;
};
std::map<Compositor, std::unique_ptr<WaylandSession>> WaylandE2E::sessions_;

TEST_P(WaylandE2E, BothWorkersQuoteTheSelection) {
  struct Case {
    std::string program, selection;
  } cases[] = {
      {"quotemill", "日本語の一行目\nsecond line & <b>"},
      {"quotemill3", "日本語の一行目\nsecond line & <b>"},
      {"quotemill", big_text(5u << 20)},
      {"quotemill3", big_text(5u << 20)},
  };
  for (const Case& c : cases) {
    const std::string what = c.program + ", " + std::to_string(c.selection.size()) + " bytes";
    w_->set_clipboard(c.selection);
    ASSERT_TRUE(w_->native_window_in_front()) << what;
    const RunResult r = w_->run({built(c.program), "-a", U}, as_the_helper_starts_it());
    EXPECT_FALSE(r.timed_out) << what;
    EXPECT_EQ(r.status, 0) << what << ": " << r.err;
    EXPECT_EQ(r.err, "") << what;
    // The worker has ended: its serving process answers wl-paste.
    EXPECT_EQ(text_difference(w_->settled_clipboard(linked(c.program, c.selection), 30s), linked(c.program, c.selection)), "")
        << what;
    const std::vector<std::string> types = w_->clipboard_types();
    EXPECT_NE(std::find(types.begin(), types.end(), "text/plain;charset=utf-8"), types.end()) << what;
  }
}

// The result stays until another program copies; then its serving process leaves.
TEST_P(WaylandE2E, NewCopyReplacesTheResultAndItsServingProcessEnds) {
  const std::string url = "http://example.com/replaced-" + compositor_name(GetParam());
  w_->set_clipboard("first");
  ASSERT_EQ(w_->run({built("quotemill"), "-q", url}, as_the_helper_starts_it()).status, 0);
  EXPECT_EQ(w_->settled_clipboard("<q cite=\"" + url + "\">first</q>"), "<q cite=\"" + url + "\">first</q>");
  EXPECT_EQ(w_->processes_with(url).size(), 1u);  // the serving process, carrying the run's arguments
  w_->set_clipboard("second");
  EXPECT_EQ(w_->clipboard(), "second");
  for (int i = 0; i < 250 && !w_->processes_with(url).empty(); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(w_->processes_with(url).empty());
}

// Two hundred readers at once all get the whole result. Where there is no data-control,
// wl-paste needs the focus, and one of two hundred loses that race even against wl-copy, so
// there the readers are X clients of the XWayland the programs serve.
TEST_P(WaylandE2E, TwoHundredReadersAtOnce) {
  const std::string url = "http://example.com/two-hundred";
  const std::string text = big_text(1u << 20);
  w_->set_clipboard(text);
  ASSERT_EQ(w_->run({built("quotemill"), "-q", url}, as_the_helper_starts_it()).status, 0);
  const std::string quoted = "<q cite=\"" + url + "\">" + text + "</q>";
  const std::vector<std::string> reader =
      w_->wayland_clipboard() ? std::vector<std::string>{"wl-paste", "--no-newline", "--type", "text"}
                              : std::vector<std::string>{"xclip", "-selection", "clipboard", "-o"};
  std::vector<Child> readers;
  for (int i = 0; i < 200; ++i) readers.push_back(w_->start(reader));
  int exact = 0;
  for (Child& r : readers) {
    const RunResult got = r.wait(60s);
    exact += got.status == 0 && got.out == quoted;
  }
  EXPECT_EQ(exact, 200) << reader[0];
}

// A quote is offered as text/html beside the text, to Wayland programs too: through
// data-control, or through mutter's bridge from XWayland. The text written back as it is, and
// every result with rich paste off, as text alone.
TEST_P(WaylandE2E, HtmlFormBesideTheText) {
  const std::string base = "引用 & <b>";
  struct Case {
    std::string program, style, rich;
    bool html;
  } cases[] = {
      {"quotemill", "-a", "", true},
      {"quotemill3", "-a", "", true},
      {"quotemill", "-Q", "", false},
      {"quotemill", "-a", "0", false},
  };
  for (const Case& c : cases) {
    const std::string what = c.program + " " + c.style + (c.rich.empty() ? "" : " QUOTEMILL_RICH=" + c.rich);
    // Each run a selection of its own, so that no result can pass for a stale copy.
    const std::string selection = base + " " + std::to_string(&c - cases);
    w_->set_clipboard(selection);
    RunOptions options = as_the_helper_starts_it();
    options.env["QUOTEMILL_RICH"] = c.rich;
    const RunResult r = w_->run({built(c.program), c.style, U}, options);
    ASSERT_EQ(r.status, 0) << what << ": " << r.err;
    const std::string want = c.style == "-a" ? linked(c.program, selection) : selection;
    EXPECT_EQ(w_->settled_clipboard(want), want) << what;
    const std::vector<std::string> types = w_->clipboard_types();
    EXPECT_EQ(std::find(types.begin(), types.end(), "text/html") != types.end(), c.html) << what;
    if (c.html)
      EXPECT_EQ(w_->clipboard_in("text/html"),
                "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">" + want)
          << what;
  }
}

// QUOTEMILL_CLIPBOARD forces a backend. The X11 path on sway or KWin, with a Wayland window
// in front, cannot read the session's clipboard (they bridge it only while an X window has
// the focus), and Wayland's is out of reach where the compositor offers no data-control:
// either way no quote of a clipboard that could not be read. quotemill reports it, quotemill3
// says it in its box and writes nothing; the clipboard keeps its text.
TEST_P(WaylandE2E, ForcedBackend) {
  struct Case {
    Compositor compositor;
    std::string backend;  // QUOTEMILL_CLIPBOARD, "" for the choice of its own
    bool reads;
  } cases[] = {
      {Compositor::Sway, "", true},     {Compositor::Sway, "wayland", true},   {Compositor::Sway, "x11", false},
      {Compositor::KWin, "", true},     {Compositor::KWin, "wayland", true},   {Compositor::KWin, "x11", false},
      {Compositor::Mutter, "", true},   {Compositor::Mutter, "x11", true},     {Compositor::Mutter, "wayland", false},
  };
  int rows = 0;
  for (const Case& c : cases) {
    if (c.compositor != GetParam()) continue;
    ++rows;
    for (const std::string program : {"quotemill", "quotemill3"}) {
      const std::string what = program + " with QUOTEMILL_CLIPBOARD=" + c.backend;
      const std::string selection = "選択 " + what;
      w_->set_clipboard(selection);
      ASSERT_TRUE(w_->native_window_in_front()) << what;
      RunOptions options = as_the_helper_starts_it();
      options.env["QUOTEMILL_CLIPBOARD"] = c.backend;
      const RunResult r = w_->run({built(program), "-a", U}, options);
      EXPECT_FALSE(r.timed_out) << what;
      if (c.reads) {
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_EQ(w_->settled_clipboard(linked(program, selection)), linked(program, selection)) << what;
      } else if (program == "quotemill") {
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        EXPECT_NE(r.err.find(kCannotOpen + "."), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(w_->clipboard(), selection) << what;
      } else {
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_NE(r.err.find("Quotemill_clip: " + kCannotOpen + "\n"), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(w_->clipboard(), selection) << what;
      }
    }
  }
  EXPECT_EQ(rows, 3);
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandE2E, ::testing::ValuesIn(kCompositors), compositor_test_name);

// The session itself, so that a failure above is the programs', never the harness's: each
// check here holds without any program of ours.
class WaylandSessionCheck : public ::testing::TestWithParam<Compositor> {};

std::string proc_file(int pid, const char* name) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool alive(int pid) {
  const std::string stat = proc_file(pid, "stat");
  const std::size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

TEST_P(WaylandSessionCheck, ToolsWindowAndEnd) {
  std::vector<int> started;
  std::string runtime_dir, x_socket;
  struct stat x_socket_then {};
  {
    WaylandSession w(GetParam());
    runtime_dir = w.runtime_dir();
    x_socket = "/tmp/.X11-unix/X" + w.x_display().substr(1);
    ASSERT_EQ(lstat(x_socket.c_str(), &x_socket_then), 0);
    EXPECT_TRUE(w.native_window_in_front());

    // Its programs run as its user, on its displays, with nothing of the caller's.
    const RunResult env = w.run({"sh", "-c", "id -u; env"});
    ASSERT_EQ(env.status, 0) << env.err;
    EXPECT_EQ(env.out.substr(0, env.out.find('\n')), std::to_string(w.user()));
    EXPECT_NE(env.out.find("\nWAYLAND_DISPLAY=" + w.wayland_display() + "\n"), std::string::npos) << env.out;
    EXPECT_NE(env.out.find("\nDISPLAY=" + w.x_display() + "\n"), std::string::npos) << env.out;
    EXPECT_NE(env.out.find("\nXDG_RUNTIME_DIR=" + w.runtime_dir() + "\n"), std::string::npos) << env.out;
    EXPECT_EQ(env.out.find("QM_BUILD_DIR="), std::string::npos) << env.out;  // ctest's, the caller's
    struct stat folder {};
    ASSERT_EQ(stat(w.runtime_dir().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_uid, w.user());
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(access((w.runtime_dir() + "/" + w.wayland_display()).c_str(), F_OK), 0);

    // wl-copy and wl-paste, Japanese and all; nothing to read once nothing is copied.
    for (const std::string text : {"ascii", "日本語の一行目\n二行目", "a\r\nb"}) {
      w.set_clipboard(text);
      EXPECT_EQ(w.clipboard(), text);
    }
    const std::vector<std::string> types = w.clipboard_types();
    EXPECT_NE(std::find(types.begin(), types.end(), "text/plain;charset=utf-8"), types.end());
    ASSERT_EQ(w.run({"wl-copy", "--clear"}).status, 0);
    // KWin tells a reader nothing at all where nothing is copied: wl-paste waits for the limit.
    EXPECT_EQ(w.clipboard(1s), std::nullopt);
    EXPECT_TRUE(w.clipboard_types(1s).empty());

    // Its XWayland takes X clients; its own X selection, whatever the compositor bridges.
    const RunResult x_copy =
        w.run({"sh", "-c", "printf 'from X' | xclip -selection clipboard -i >/dev/null 2>&1"});
    ASSERT_EQ(x_copy.status, 0) << x_copy.err;
    std::optional<std::string> x_read;
    for (int i = 0; i < 100 && x_read != "from X"; ++i) {
      const RunResult r = w.run({"xclip", "-selection", "clipboard", "-o"});
      if (r.status == 0) x_read = r.out;
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(x_read, "from X");
    w.focus_native_window();
    EXPECT_TRUE(w.native_window_in_front());

    // The data-control protocol as each compositor offers it today, and the peer over it.
    const std::map<Compositor, std::string> offered{{Compositor::Sway, "zwlr_data_control_manager_v1"},
                                                    {Compositor::KWin, "zwlr_data_control_manager_v1"},
                                                    {Compositor::Mutter, ""}};
    EXPECT_EQ(w.data_control(), offered.at(GetParam()));
    if (w.wayland_clipboard()) {
      {
        Child stuck = w.start_owner({"own-stuck"});
        EXPECT_EQ(w.clipboard_types(), std::vector<std::string>{"text/plain;charset=utf-8"});
        EXPECT_EQ(w.clipboard(2s), std::nullopt);  // asked, never answered
        EXPECT_TRUE(stuck.running());
      }
      {
        Child image = w.start_owner({"own-image"});
        EXPECT_EQ(w.clipboard_types(), std::vector<std::string>{"image/png"});
        EXPECT_EQ(w.clipboard(), std::nullopt);  // no text
        EXPECT_EQ(w.run({"wl-paste", "--type", "image/png"}).out, std::string("\x89PNG\r\n\x1a\n", 8));
      }
      const std::string file = w.runtime_dir() + "/bytes";
      std::ofstream(file, std::ios::binary) << std::string("ok \xFF\xFE end\0after", 16);
      chmod(file.c_str(), 0644);
      {
        Child bytes = w.start_owner({"own-bytes", file});
        EXPECT_EQ(w.clipboard(), std::string("ok \xFF\xFE end\0after", 16));
        // A new copy takes the clipboard: the owning peer ends.
        w.set_clipboard("newer");
        const RunResult ended = bytes.wait(5s);
        EXPECT_FALSE(ended.timed_out);
        EXPECT_EQ(ended.status, 0) << ended.err;
      }
      Child stall = w.start({built("tests/wl_peer"), "read-stall"});
      for (int i = 0; i < 250 && stall.output().empty(); ++i) std::this_thread::sleep_for(20ms);
      EXPECT_EQ(stall.output(), "stalled\n");
      const RunResult race = w.run({built("tests/wl_peer"), "race-read"});
      EXPECT_EQ(race.out, "got 5\n") << race.err;
      EXPECT_EQ(w.clipboard(1s), std::nullopt);  // the racer took the clipboard, and ended
    }

    started = w.processes();
    EXPECT_FALSE(started.empty());
  }
  // Everything it started has ended, its sockets and its folder with it.
  for (int i = 0; i < 100 && std::any_of(started.begin(), started.end(), alive); ++i)
    std::this_thread::sleep_for(20ms);
  for (const int pid : started) EXPECT_FALSE(alive(pid)) << pid << " " << proc_file(pid, "cmdline");
  EXPECT_FALSE(std::filesystem::exists(runtime_dir));
  struct stat st {};
  EXPECT_TRUE(lstat(x_socket.c_str(), &st) != 0 || st.st_ino != x_socket_then.st_ino) << x_socket;
}

// A test program killed from outside, as a ctest time-out does, takes its compositor, its
// XWayland and the programs run there with it.
TEST_P(WaylandSessionCheck, KilledTestProgramLeavesNothingRunning) {
  int report[2];
  ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
  const pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // What is tested is the end, not the start: a session that did not come up is tried once
    // more, and what went wrong is told.
    std::string errors;
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        WaylandSession w(GetParam());
        w.set_clipboard("left behind");
        std::string message = w.runtime_dir() + "\n";
        for (const WaylandSession::XFile& file : w.x_files())
          message += file.path + " " + std::to_string(file.inode) + " " + std::to_string(file.owner) + "\n";
        for (const int pid : w.processes()) message += std::to_string(pid) + "\n";
        if (write(report[1], message.data(), message.size()) != static_cast<ssize_t>(message.size())) _exit(1);
        close(report[1]);
        for (;;) pause();  // until killed
      } catch (const std::exception& e) {
        errors += std::string("error: ") + e.what() + "\n";
      }
    }
    errors = "\n" + errors;
    if (write(report[1], errors.data(), errors.size()) < 0) _exit(1);
    _exit(1);
  }
  close(report[1]);
  std::string message;
  char buffer[4096];
  for (pollfd p{report[0], POLLIN, 0}; poll(&p, 1, 30000) > 0;) {
    const ssize_t n = read(report[0], buffer, sizeof buffer);
    if (n <= 0) break;
    message.append(buffer, static_cast<std::size_t>(n));
  }
  close(report[0]);
  kill(program, SIGKILL);
  waitpid(program, nullptr, 0);
  std::istringstream lines(message);
  std::string runtime_dir;
  std::getline(lines, runtime_dir);
  std::vector<WaylandSession::XFile> x_files;
  std::vector<int> started;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string first;
    ino_t inode = 0;
    uid_t owner = 0;
    words >> first;
    if (words >> inode >> owner)
      x_files.push_back({first, inode, owner});
    else
      started.push_back(std::stoi(first));
  }
  ASSERT_FALSE(runtime_dir.empty()) << message;
  EXPECT_GE(started.size(), 3u);  // the compositor, its XWayland, weston-flower, wl-copy...
  // mutter, whose X server went with the test program, takes its time to notice under the
  // sanitizers: a while is allowed, and whatever is still running then is ended here.
  for (int i = 0; i < 1500 && std::any_of(started.begin(), started.end(), alive); ++i)
    std::this_thread::sleep_for(20ms);
  for (const int pid : started) {
    EXPECT_FALSE(alive(pid)) << pid << " " << proc_file(pid, "cmdline");
    if (alive(pid)) kill(pid, SIGKILL);
  }
  // What only the session's end removes: its folder, and the sockets of an XWayland that
  // ended with its compositor's X server (mutter's Xvfb is killed with the test program too).
  std::error_code ignored;
  std::filesystem::remove_all(runtime_dir, ignored);
  WaylandSession::remove_x_files(x_files);
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandSessionCheck, ::testing::ValuesIn(kCompositors),
                         compositor_test_name);

}  // namespace
}  // namespace qm::test

#pragma once
// End-to-end test support: a private Xvfb and the real programs and X clients run on it.
// Every wait is bounded; nothing touches the user's own display or clipboard.

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

using namespace std::chrono_literals;

struct RunResult {
  int status = -1;         // exit status, or 128 + signal
  bool timed_out = false;  // killed at the time limit
  std::string out, err;
};

struct RunOptions {
  std::string input;                          // written to standard input, then closed
  std::map<std::string, std::string> env;     // added to (or replacing) the environment
  std::string cwd;                            // working directory; the current one when empty
  std::chrono::milliseconds timeout = 20s;
  bool keep_stdout_open = false;              // read standard output to its end, as a launcher does
  std::size_t address_space_mib = 0;          // when set, the program runs under ulimit -v of that size
};

// A program started in the background; killed at destruction if still running.
class Child {
 public:
  Child(pid_t pid, std::string out_file, std::string err_file);
  Child(Child&&) noexcept;
  Child& operator=(Child&&) = delete;
  ~Child();
  // Waits for the exit (killing the program at the limit) and collects its output.
  RunResult wait(std::chrono::milliseconds timeout = 20s);
  bool running() const;
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_;
  std::string out_file_, err_file_;
  bool reaped_ = false;
};

// The path of a program or test tool built beside the tests.
std::string built(const std::string& name);

// How a page's text stands in a quote: its "&", "<", ">" and '"' written as entities, for the
// results of runs that quote what an earlier run left.
std::string as_html_text(std::string_view text);

// Runs a command to its end with every standard stream captured.
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});

class XSession {
 public:
  // Starts Xvfb -noreset on a free display; with a window manager, openbox as well.
  explicit XSession(bool window_manager = false);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& display() const { return display_; }
  pid_t server_pid() const { return xvfb_; }
  // Stops the X server (it still accepts connections, and answers none) or lets it go on.
  void freeze(bool frozen) const;

  // Runs a program on this display (DISPLAY set, LANG=C.UTF-8 unless given).
  RunResult run(const std::vector<std::string>& argv, RunOptions options = {}) const;
  Child start(const std::vector<std::string>& argv, RunOptions options = {}) const;

  // The clipboard through xclip, the other side of every test.
  void set_clipboard(const std::string& bytes) const;
  // nullopt when xclip could not read a text.
  std::optional<std::string> clipboard(std::chrono::milliseconds timeout = 10s) const;

  // The CLIPBOARD owner's window id ("none" when there is none), from tests/x_peer.
  std::string clipboard_owner() const;
  // Starts an x_peer owning mode ("own-stuck", "own-bytes FILE"...) and waits until it owns.
  Child start_owner(const std::vector<std::string>& mode) const;

  // The id of a mapped window whose title matches the regular expression, once one appears.
  std::optional<std::string> wait_window(const std::string& title_regex,
                                         std::chrono::milliseconds timeout = 10s) const;
  // Presses Return in the box with that title until it has gone; false if it never showed
  // or would not close.
  bool answer_box(const std::string& title_regex, std::chrono::milliseconds timeout = 10s) const;
  // Runs a program to its end, answering every box with that title that it shows meanwhile.
  RunResult run_answering(const std::vector<std::string>& argv, const std::string& title_regex,
                          RunOptions options = {}) const;

  // What is amiss with the box of that id and title as openbox shows it, "" when nothing:
  // its frame's centre stands within 2 pixels of the screen's centre (waiting for it a few
  // seconds), its title label is wide enough for the whole title, it offers no maximise.
  std::string box_faults(const std::string& id, const std::string& title) const;

 private:
  RunOptions with_display(RunOptions options) const;
  pid_t xvfb_ = -1;
  pid_t wm_ = -1;
  std::string display_;
  std::string runtime_dir_;  // Qt wants one of its own
};

}  // namespace qm::test

#pragma once
// End-to-end test support: a private Xvfb and the real programs and X clients run on it.
// Every wait is bounded; nothing touches the user's own display or clipboard. The process
// runs here (run, start, Child) are also those of the Wayland sessions (wayland_session.h).

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
  // What the program has written to standard output and standard error so far, while it runs.
  std::string output() const;
  std::string errors() const;

 private:
  pid_t pid_;
  std::string out_file_, err_file_;
  bool reaped_ = false;
};

// The path of a program or test tool built beside the tests.
std::string built(const std::string& name);

// A worker run as the browser companion's helper starts one: with the browser window's
// caption, and a limit after which the worker's boxes press their own OK (a second here, so
// that no box waits for a test to answer it; each box is also a line on standard error).
RunOptions started_by_the_helper(const std::string& caption, std::chrono::milliseconds timeout = 30s);

// How a page's text stands in a quote: its "&", "<", ">" and '"' written as entities, for the
// results of runs that quote what an earlier run left.
std::string as_html_text(std::string_view text);

// "" when `got` is `want`, else briefly how it differs (its size, where, and the bytes about
// there): GoogleTest's own report of two long texts takes memory by the square of their size.
std::string text_difference(const std::optional<std::string>& got, const std::string& want);

// Runs a command to its end with every standard stream captured.
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});
// Starts a command in the background, standard input empty, its output kept in files.
Child start(const std::vector<std::string>& argv, const RunOptions& options = {});

// The running processes whose command line holds `argument` as a whole word and whose
// environment holds `entry` ("DISPLAY=:5"): a worker run and the serving process it leaves
// behind carry its page address. Other suites may run the same tests on the machine at the
// same time, on desktops of their own.
std::vector<int> processes_with(const std::string& argument, const std::string& entry);

// A desktop that the end-to-end tests drive: its programs, its clipboard and the peer that
// plays the clipboard's faults. An X server of the test's own (XSession), or a Wayland
// compositor (WaylandSession), so that one table of cases runs on each.
class ClipboardSession {
 public:
  virtual ~ClipboardSession() = default;

  // Runs a program on this desktop, never on the user's own.
  virtual RunResult run(const std::vector<std::string>& argv, RunOptions options = {}) const = 0;
  virtual Child start(const std::vector<std::string>& argv, RunOptions options = {}) const = 0;

  // The clipboard through the desktop's own tools (xclip, wl-copy), left running as the owner.
  virtual void set_clipboard(const std::string& bytes) const = 0;
  // Its text, read by those tools; nullopt when none could be read in time.
  virtual std::optional<std::string> clipboard(std::chrono::milliseconds timeout = 10s) const = 0;
  // Its text once it reads `want`, or as it reads at the end of `timeout`: mutter hands a new
  // X clipboard over to Wayland programs a moment after it changed.
  std::optional<std::string> settled_clipboard(const std::string& want, std::chrono::milliseconds timeout = 10s) const;

  // Whether the programs take the Wayland clipboard here (data-control) rather than X11's.
  virtual bool wayland_clipboard() const = 0;
  // The peer that plays the faults of that clipboard: tests/x_peer, or tests/wl_peer.
  std::string peer() const;
  // Starts the peer in an owning mode ("own-stuck", "own-bytes FILE"...) and waits until it
  // owns the clipboard. An owning peer ends when it loses the clipboard.
  virtual Child start_owner(const std::vector<std::string>& mode) const = 0;

  // The processes of this desktop whose command line holds `argument`.
  std::vector<int> processes_with(const std::string& argument) const;
  // An entry of the environment that every program run here has, and no other desktop's.
  virtual std::string environment_entry() const = 0;
};

class XSession : public ClipboardSession {
 public:
  // Starts Xvfb -noreset on a free display; with a window manager, openbox as well.
  explicit XSession(bool window_manager = false);
  ~XSession() override;
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& display() const { return display_; }
  pid_t server_pid() const { return xvfb_; }
  // Stops the X server (it still accepts connections, and answers none) or lets it go on.
  void freeze(bool frozen) const;

  // Runs a program on this display (DISPLAY set, LANG=C.UTF-8 unless given).
  RunResult run(const std::vector<std::string>& argv, RunOptions options = {}) const override;
  Child start(const std::vector<std::string>& argv, RunOptions options = {}) const override;

  // The clipboard through xclip, the other side of every test.
  void set_clipboard(const std::string& bytes) const override;
  // nullopt when xclip could not read a text.
  std::optional<std::string> clipboard(std::chrono::milliseconds timeout = 10s) const override;

  bool wayland_clipboard() const override { return false; }
  // The CLIPBOARD owner's window id ("none" when there is none), from tests/x_peer.
  std::string clipboard_owner() const;
  // Starts an x_peer owning mode ("own-stuck", "own-bytes FILE"...) and waits until it owns.
  Child start_owner(const std::vector<std::string>& mode) const override;
  std::string environment_entry() const override { return "DISPLAY=" + display_; }

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

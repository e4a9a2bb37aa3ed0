#pragma once
// End-to-end test support on real Wayland compositors run headless: sway, KWin, or GNOME's
// mutter nested in an Xvfb of the test's own. Each runs on a runtime folder of its own as an
// unprivileged user (sway refuses root), with its XWayland and a Wayland-native window
// (weston-flower) in front, as on a user's Wayland desktop. The programs run as that user
// with the session's WAYLAND_DISPLAY and its XWayland's DISPLAY and nothing of the caller's
// desktop; wl-copy and wl-paste are the other side of the clipboard. Every wait is bounded;
// everything the session started is ended with it, by process id, also when a test fails,
// and with the test program when that is killed.

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "x_session.h"

namespace qm::test {

enum class Compositor { Sway, KWin, Mutter };

// "sway", "kwin", "mutter": for test names and messages.
std::string compositor_name(Compositor compositor);

class WaylandSession : public ClipboardSession {
 public:
  // Starts the compositor and its XWayland, and puts weston-flower in front; throws with the
  // compositor's own messages when it does not come up in time.
  explicit WaylandSession(Compositor compositor);
  ~WaylandSession() override;
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  Compositor compositor() const { return compositor_; }
  // The user sessions run as: nobody (65534) when the tests run as root, else the caller.
  static uid_t session_user();
  uid_t user() const { return user_; }
  const std::string& runtime_dir() const { return runtime_dir_; }
  const std::string& wayland_display() const { return wayland_display_; }
  // Its XWayland's, checked to be a socket that this session's user created after it began.
  const std::string& x_display() const { return x_display_; }
  // The data-control protocol the compositor offers, as tests/wl_peer found it:
  // "ext_data_control_manager_v1", "zwlr_data_control_manager_v1", or "" for none (mutter).
  const std::string& data_control() const { return data_control_; }

  // Runs a program as the session's user with PATH, HOME and XDG_RUNTIME_DIR (the runtime
  // folder), LANG=C.UTF-8, WAYLAND_DISPLAY, DISPLAY (its XWayland) and XAUTHORITY where
  // needed, the sanitizers' options, and `options.env` on top (an empty value leaves the
  // variable out); nothing else of the caller's environment. In the runtime folder unless
  // `options.cwd` says otherwise.
  RunResult run(const std::vector<std::string>& argv, RunOptions options = {}) const override;
  Child start(const std::vector<std::string>& argv, RunOptions options = {}) const override;
  // The command line that runs argv so, with `env` on top, for callers that start processes
  // their own way (the round-trip benchmark).
  std::vector<std::string> command(const std::vector<std::string>& argv,
                                   const std::map<std::string, std::string>& env = {}) const;

  // Copies with wl-copy, left running in the foreground as the owner, and returns once
  // wl-paste reads the text back (where wl-copy needs the focus and loses it, it is tried
  // again).
  void set_clipboard(const std::string& bytes) const override;
  // The text that wl-paste reads (any text type); nullopt when none could be read in time.
  std::optional<std::string> clipboard(std::chrono::milliseconds timeout = 10s) const override;
  // What wl-paste reads in a type ("text/html"); nullopt when it could not.
  std::optional<std::string> clipboard_in(const std::string& type, std::chrono::milliseconds timeout = 10s) const;
  // The types the clipboard offers, as wl-paste lists them; empty when nothing is copied.
  std::vector<std::string> clipboard_types(std::chrono::milliseconds timeout = 10s) const;

  // The programs take the Wayland clipboard where the compositor offers data-control, else
  // X11's through XWayland.
  bool wayland_clipboard() const override { return !data_control_.empty(); }
  // Starts peer() (tests/wl_peer, or tests/x_peer on XWayland) in an owning mode and waits
  // until it prints "ready".
  Child start_owner(const std::vector<std::string>& mode) const override;
  std::string environment_entry() const override { return "XDG_RUNTIME_DIR=" + runtime_dir_; }

  // Whether weston-flower has the keyboard focus. sway and KWin are asked; mutter tells
  // nobody, so there it is that weston-flower runs and no X window is active.
  bool native_window_in_front() const;
  // Gives weston-flower the focus again (sway: swaymsg; elsewhere by starting it anew), and
  // waits until it has it; throws when it never does.
  void focus_native_window();

  // The processes of the session that are running (zombies left out).
  std::vector<int> processes() const;

  // Its X servers' sockets and lock files as they were made (its XWayland's, and mutter's
  // Xvfb's socket), which a killed X server leaves behind; remove_x_files removes those that
  // are still the very files.
  struct XFile {
    std::string path;
    ino_t inode;
    uid_t owner;
  };
  const std::vector<XFile>& x_files() const { return x_files_; }
  static void remove_x_files(const std::vector<XFile>& files);

 private:
  void start_compositor();
  void end();
  // The command line that runs argv as the session's user with exactly `env`, ended by
  // `death_signal` ("keep": the SIGKILL of every process the tests start) when the test
  // program ends.
  std::vector<std::string> as_user(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                                   const std::string& death_signal = "keep") const;
  std::map<std::string, std::string> session_environment() const;
  // Whether the X side of the session reads `bytes` (at once where the programs take the
  // Wayland clipboard), waiting a while for the compositor's bridge.
  bool x_side_holds(const std::string& bytes) const;
  // What wl-paste with `options` writes; nullopt when it fails or runs out of time.
  std::optional<std::string> paste(const std::vector<std::string>& options, std::chrono::milliseconds timeout) const;
  // Waits until `ready` holds, failing with the compositor's messages when it ends or the
  // time runs out.
  template <class Ready>
  void wait_for(const char* what, Ready ready, std::chrono::milliseconds timeout = 20s) const;
  // Checks that :N is a socket of this session's user, made since the session began (a
  // stale socket of that name may have been replaced), and notes it to be removed should the
  // compositor leave it behind.
  void claim_x_display(const std::string& display);
  // The text KWin's scripting prints for the active window.
  std::string kwin_active_window() const;

  Compositor compositor_;
  uid_t user_;
  pid_t compositor_pid_ = -1;  // the compositor itself, below dbus-run-session where it runs under one
  std::string runtime_dir_, wayland_display_, x_display_, xauthority_, bus_, swaysock_, data_control_;
  std::map<std::string, std::pair<ino_t, timespec>> x_sockets_before_;  // inode, change time
  std::vector<XFile> x_files_;
  std::unique_ptr<XSession> host_;   // mutter's Xvfb
  std::unique_ptr<Child> compositor_process_, window_;
  mutable std::unique_ptr<Child> copy_;  // the wl-copy that owns what set_clipboard copied
  mutable int serial_ = 0;               // for the names of the files the session writes
};

}  // namespace qm::test

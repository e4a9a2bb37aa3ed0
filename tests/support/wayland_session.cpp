#include "wayland_session.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qm::test {
namespace {

using Clock = std::chrono::steady_clock;

// The socket's name where the compositor lets us choose it (KWin, mutter).
constexpr char kSocket[] = "wayland-qm";
constexpr char kFlower[] = "org.freedesktop.weston.flower";
constexpr char kPath[] = "/usr/local/bin:/usr/bin:/bin";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& bytes, mode_t mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
  }
  chmod(path.c_str(), mode);
}

std::map<std::string, std::string> parse_environment(const std::string& text, char separator) {
  std::map<std::string, std::string> env;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line, separator);)
    if (const std::size_t eq = line.find('='); eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  return env;
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (const dirent* e = readdir(dir)) names.emplace_back(e->d_name);
    closedir(dir);
  }
  return names;
}

// The files of a folder by inode and change time: a file removed and made anew may take the
// same inode number, never the same change time.
std::map<std::string, std::pair<ino_t, timespec>> file_identities(const std::string& path) {
  std::map<std::string, std::pair<ino_t, timespec>> found;
  for (const std::string& name : directory_entries(path)) {
    struct stat st {};
    if (lstat((path + "/" + name).c_str(), &st) == 0) found[name] = {st.st_ino, st.st_ctim};
  }
  return found;
}

// Running, and not a zombie waiting for a parent that never reaps it.
bool alive(int pid) {
  const std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

std::vector<int> children_of(int pid) {
  std::istringstream list(slurp("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children"));
  std::vector<int> out;
  for (int child; list >> child;) out.push_back(child);
  return out;
}

std::string tail(const std::string& text, std::size_t size = 3000) {
  return text.size() <= size ? text : "..." + text.substr(text.size() - size);
}

}  // namespace

std::string compositor_name(Compositor compositor) {
  switch (compositor) {
    case Compositor::Sway: return "sway";
    case Compositor::KWin: return "kwin";
    case Compositor::Mutter: return "mutter";
  }
  return "?";
}

WaylandSession::WaylandSession(Compositor compositor)
    : compositor_(compositor), user_(session_user()) {
  char dir[] = "/tmp/qm-wayland-XXXXXX";
  if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp");
  runtime_dir_ = dir;
  try {
    // Wayland wants the runtime folder to be its user's alone.
    if (chown(dir, user_, user_) != 0 || chmod(dir, 0700) != 0)
      throw std::runtime_error("cannot give " + runtime_dir_ + " to the session's user");
    start_compositor();
    focus_native_window();
  } catch (...) {
    end();
    throw;
  }
}

WaylandSession::~WaylandSession() { end(); }

uid_t WaylandSession::session_user() { return geteuid() == 0 ? 65534 : geteuid(); }

std::vector<std::string> WaylandSession::as_user(const std::vector<std::string>& argv,
                                                 const std::map<std::string, std::string>& env,
                                                 const std::string& death_signal) const {
  std::vector<std::string> command{"setpriv"};
  if (geteuid() == 0) {
    const std::string id = std::to_string(user_);
    command.insert(command.end(), {"--reuid=" + id, "--regid=" + id, "--clear-groups"});
  }
  // A change of user clears the parent-death signal that keeps nothing alive after a killed
  // test program; setpriv sets it again.
  command.insert(command.end(), {"--pdeathsig", death_signal, "env", "-i"});
  for (const auto& [name, value] : env)
    if (!value.empty()) command.push_back(name + "=" + value);
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

std::map<std::string, std::string> WaylandSession::session_environment() const {
  std::map<std::string, std::string> env{{"PATH", kPath},
                                         {"HOME", runtime_dir_},
                                         {"XDG_RUNTIME_DIR", runtime_dir_},
                                         {"LANG", "C.UTF-8"},
                                         {"WAYLAND_DISPLAY", wayland_display_},
                                         {"DISPLAY", x_display_},
                                         {"XAUTHORITY", xauthority_},
                                         {"SWAYSOCK", swaysock_},
                                         // Where the compositor has no bus, a client finds none
                                         // rather than starting one of its own that outlives us.
                                         {"DBUS_SESSION_BUS_ADDRESS",
                                          bus_.empty() ? "unix:path=" + runtime_dir_ + "/no-bus" : bus_}};
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
    if (const char* value = std::getenv(name)) env[name] = value;
  return env;
}

std::vector<std::string> WaylandSession::command(const std::vector<std::string>& argv,
                                                 const std::map<std::string, std::string>& env) const {
  std::map<std::string, std::string> all = session_environment();
  for (const auto& [name, value] : env) all[name] = value;
  return as_user(argv, all);
}

RunResult WaylandSession::run(const std::vector<std::string>& argv, RunOptions options) const {
  const std::vector<std::string> line = command(argv, options.env);
  options.env.clear();
  if (options.cwd.empty()) options.cwd = runtime_dir_;
  return test::run(line, options);
}

Child WaylandSession::start(const std::vector<std::string>& argv, RunOptions options) const {
  const std::vector<std::string> line = command(argv, options.env);
  options.env.clear();
  if (options.cwd.empty()) options.cwd = runtime_dir_;
  return test::start(line, options);
}

template <class Ready>
void WaylandSession::wait_for(const char* what, Ready ready, std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  while (!ready()) {
    if (!compositor_process_ || !compositor_process_->running())
      throw std::runtime_error(compositor_name(compositor_) + " ended before " + what + ": " +
                               tail(compositor_process_ ? compositor_process_->errors() : ""));
    if (Clock::now() > deadline)
      throw std::runtime_error(compositor_name(compositor_) + ": no " + what + " in time: " +
                               tail(compositor_process_->errors()));
    std::this_thread::sleep_for(50ms);
  }
}

void WaylandSession::start_compositor() {
  x_sockets_before_ = file_identities("/tmp/.X11-unix");
  const std::string& rt = runtime_dir_;
  // The compositor writes the environment it gives its clients, DISPLAY among them, whole.
  const std::string note_environment = "env > " + rt + "/env.tmp && mv " + rt + "/env.tmp " + rt + "/env.txt";
  std::map<std::string, std::string> env{{"PATH", kPath}, {"HOME", rt}, {"XDG_RUNTIME_DIR", rt}, {"LANG", "C.UTF-8"}};
  // dbus-run-session ends neither its bus nor its program when it is killed; both are told
  // to end with their parent, so a killed test program leaves nothing behind.
  const std::string bus_daemon = rt + "/dbus-daemon";
  write_file(bus_daemon, "#!/bin/sh\nexec setpriv --pdeathsig TERM dbus-daemon \"$@\"\n", 0755);
  const std::vector<std::string> under_a_bus{"dbus-run-session", "--dbus-daemon=" + bus_daemon, "--", "setpriv",
                                             "--pdeathsig", "TERM"};
  std::vector<std::string> argv;
  std::string program;
  switch (compositor_) {
    case Compositor::Sway: {
      const std::string config = rt + "/sway.conf";
      write_file(config, "xwayland enable\nexec " + note_environment + "\n", 0644);
      env.insert({{"WLR_BACKENDS", "headless"},
                  {"WLR_LIBINPUT_NO_DEVICES", "1"},
                  {"WLR_RENDERER", "pixman"},
                  {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + rt + "/no-bus"}});
      argv = {"sway", "-c", config};
      program = "sway";
      break;
    }
    case Compositor::KWin: {
      // The installed binary carries a file capability, which an unprivileged exec refuses;
      // a copy has none. Its name stays: KWin's platform plugin checks it.
      std::filesystem::create_directory(rt + "/bin");
      program = rt + "/bin/kwin_wayland";
      std::filesystem::copy_file("/usr/bin/kwin_wayland", program);
      chmod(program.c_str(), 0755);
      argv = under_a_bus;
      argv.insert(argv.end(), {program, "--virtual", "--xwayland", "--socket", kSocket, "--no-lockscreen",
                               "--no-global-shortcuts", "sh -c '" + note_environment + "'"});
      break;
    }
    case Compositor::Mutter: {
      // mutter headless has no keyboard seat, so nothing could copy; nested, it has one.
      host_ = std::make_unique<XSession>();
      env["DISPLAY"] = host_->display();
      // Killed with the test program, Xvfb leaves its socket behind.
      const std::string socket = "/tmp/.X11-unix/X" + host_->display().substr(host_->display().find(':') + 1);
      if (struct stat st {}; lstat(socket.c_str(), &st) == 0) x_files_.push_back({socket, st.st_ino, st.st_uid});
      argv = under_a_bus;
      argv.insert(argv.end(), {"mutter", "--nested", "--wayland", std::string("--wayland-display=") + kSocket});
      program = "mutter";
      break;
    }
  }
  RunOptions options;
  options.cwd = rt;
  // sway ends on SIGTERM as it should, its sockets removed; under dbus-run-session that is
  // what the compositor is told.
  compositor_process_ = std::make_unique<Child>(
      test::start(as_user(argv, env, compositor_ == Compositor::Sway ? "TERM" : "keep"), options));
  if (compositor_ == Compositor::Sway) {
    compositor_pid_ = compositor_process_->pid();
  } else {
    // The compositor below dbus-run-session, once setpriv has become it.
    wait_for("process", [&] {
      for (const int pid : children_of(compositor_process_->pid())) {
        const std::string cmdline = slurp("/proc/" + std::to_string(pid) + "/cmdline");
        if (cmdline.substr(0, cmdline.find('\0')) == program) compositor_pid_ = pid;
      }
      return compositor_pid_ > 0;
    });
  }

  if (compositor_ == Compositor::Mutter) {
    // mutter says which displays its XWayland took, and writes that its clients need a key.
    std::smatch m;
    std::string log;  // what `m` points into
    const std::regex said(R"(Using public X11 display (:\d+), \(using (:\d+) for managed services\))");
    wait_for("XWayland", [&] {
      log = compositor_process_->errors();
      return std::regex_search(log, m, said);
    });
    x_display_ = m[1];
    const std::string managed = m[2];
    wait_for("Wayland socket", [&] { return access((rt + "/" + kSocket).c_str(), F_OK) == 0; });
    wait_for("XWayland key", [&] {
      for (const std::string& name : directory_entries(rt))
        if (name.rfind(".mutter-Xwaylandauth.", 0) == 0) xauthority_ = rt + "/" + name;
      return !xauthority_.empty();
    });
    wayland_display_ = kSocket;
    bus_ = parse_environment(slurp("/proc/" + std::to_string(compositor_pid_) + "/environ"), '\0')
               ["DBUS_SESSION_BUS_ADDRESS"];
    claim_x_display(managed);
  } else {
    wait_for("environment", [&] { return access((rt + "/env.txt").c_str(), F_OK) == 0; });
    std::map<std::string, std::string> given = parse_environment(slurp(rt + "/env.txt"), '\n');
    wayland_display_ = given["WAYLAND_DISPLAY"];
    x_display_ = given["DISPLAY"];
    xauthority_ = given["XAUTHORITY"];
    swaysock_ = given["SWAYSOCK"];
    bus_ = given["DBUS_SESSION_BUS_ADDRESS"];
    if (wayland_display_.empty() || x_display_.empty())
      throw std::runtime_error(compositor_name(compositor_) + " gave no WAYLAND_DISPLAY or DISPLAY: " +
                               slurp(rt + "/env.txt"));
  }
  claim_x_display(x_display_);
  // XWayland answers (sway starts it on the first connection).
  wait_for("XWayland connection", [&] {
    RunOptions brief;
    brief.timeout = 5s;
    return run({"xprop", "-root", "-len", "0", "_NET_ACTIVE_WINDOW"}, brief).status == 0;
  });

  const RunResult probe = run({built("tests/wl_peer"), "protocol"});
  if (probe.status != 0) throw std::runtime_error("tests/wl_peer protocol failed: " + probe.err);
  data_control_ = probe.out.substr(0, probe.out.find('\n'));
  if (data_control_ == "none") data_control_.clear();
}

void WaylandSession::claim_x_display(const std::string& display) {
  const std::string number = display.substr(display.find(':') + 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
    throw std::runtime_error("not an X display of this machine: " + display);
  const std::string socket = "/tmp/.X11-unix/X" + number;
  struct stat st {};
  const auto before = x_sockets_before_.find("X" + number);
  if (lstat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != user_ ||
      (before != x_sockets_before_.end() && before->second.first == st.st_ino &&
       before->second.second.tv_sec == st.st_ctim.tv_sec && before->second.second.tv_nsec == st.st_ctim.tv_nsec))
    throw std::runtime_error(display + " is not the XWayland of this session: " + socket +
                             " is not a socket its user made since it began");
  x_files_.push_back({socket, st.st_ino, user_});
  const std::string lock = "/tmp/.X" + number + "-lock";
  if (lstat(lock.c_str(), &st) == 0 && st.st_uid == user_) x_files_.push_back({lock, st.st_ino, user_});
}

void WaylandSession::remove_x_files(const std::vector<XFile>& files) {
  for (const XFile& file : files) {
    struct stat st {};
    if (lstat(file.path.c_str(), &st) == 0 && st.st_ino == file.inode && st.st_uid == file.owner) unlink(file.path.c_str());
  }
}

void WaylandSession::focus_native_window() {
  // sway is told which window to focus; elsewhere a new window takes the focus.
  if (!window_ || !window_->running() || (compositor_ != Compositor::Sway && !native_window_in_front()))
    window_ = std::make_unique<Child>(start({"weston-flower"}));
  wait_for("focus on weston-flower", [&] {
    if (compositor_ == Compositor::Sway) run({"swaymsg", std::string("[app_id=\"^") + kFlower + "$\"] focus"});
    return native_window_in_front();
  });
}

std::string WaylandSession::kwin_active_window() const {
  const std::string name = "qm-active-" + std::to_string(++serial_);
  const std::string script = runtime_dir_ + "/" + name + ".js";
  write_file(script,
             "print(\"" + name + " \" + (workspace.activeClient ? workspace.activeClient.resourceClass : \"none\"));\n",
             0644);
  auto call = [&](const std::string& method, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
                                  "org.kde.kwin.Scripting." + method};
    argv.insert(argv.end(), args.begin(), args.end());
    RunOptions brief;
    brief.timeout = 5s;
    return run(argv, brief).status == 0;
  };
  std::string answer;
  if (call("loadScript", {"string:" + script, "string:" + name}) && call("start", {})) {
    const std::regex printed("js: " + name + " ([^\\n]*)\\n");
    std::smatch m;
    for (const auto deadline = Clock::now() + 5s; Clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
      const std::string log = compositor_process_->errors();
      if (std::regex_search(log, m, printed)) {
        answer = m[1];
        break;
      }
    }
  }
  call("unloadScript", {"string:" + name});
  unlink(script.c_str());
  return answer;
}

bool WaylandSession::native_window_in_front() const {
  if (!window_ || !window_->running()) return false;
  RunOptions brief;
  brief.timeout = 5s;
  switch (compositor_) {
    case Compositor::Sway:
      return run({"swaymsg", std::string("[app_id=\"^") + kFlower + "$\" con_id=__focused__] nop"}, brief).status == 0;
    case Compositor::KWin:
      return kwin_active_window() == kFlower;
    case Compositor::Mutter: {
      const RunResult r = run({"xprop", "-root", "_NET_ACTIVE_WINDOW"}, brief);
      return r.status == 0 && (r.out.find("not found") != std::string::npos ||
                               r.out.find("window id # 0x0\n") != std::string::npos);
    }
  }
  return false;
}

void WaylandSession::set_clipboard(const std::string& bytes) const {
  const std::string file = runtime_dir_ + "/copy-" + std::to_string(++serial_);
  write_file(file, bytes, 0644);
  const bool replacing = copy_ && copy_->running();
  // Where wl-copy needs the focus (mutter), it can lose it to the surface of another tool.
  for (int attempt = 0; attempt < 3; ++attempt) {
    auto copy = std::make_unique<Child>(
        start({"sh", "-c", "exec wl-copy --foreground --type 'text/plain;charset=utf-8' <\"$0\"", file}));
    for (const auto deadline = Clock::now() + 10s; Clock::now() < deadline && copy->running();
         std::this_thread::sleep_for(20ms)) {
      // The wl-copy before it ends once this one has taken its place.
      if ((!replacing || !copy_->running()) && clipboard(10s) == bytes && x_side_holds(bytes)) {
        copy_ = std::move(copy);
        unlink(file.c_str());
        return;
      }
    }
  }
  unlink(file.c_str());
  throw std::runtime_error("wl-copy did not take the clipboard on " + compositor_name(compositor_));
}

std::optional<std::string> WaylandSession::clipboard(std::chrono::milliseconds timeout) const {
  return clipboard_in("text", timeout);
}

bool WaylandSession::x_side_holds(const std::string& bytes) const {
  // Where the programs take X11's clipboard (mutter), the compositor hands a Wayland copy over
  // to XWayland a moment later: until then a worker would read the X side's copy before.
  if (wayland_clipboard()) return true;
  for (const auto deadline = Clock::now() + 10s; Clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
    RunOptions brief;
    brief.timeout = 5s;
    const RunResult r = run({"xclip", "-selection", "clipboard", "-o"}, brief);
    if (r.status == 0 && r.out == bytes) return true;
  }
  return false;
}

std::optional<std::string> WaylandSession::paste(const std::vector<std::string>& options,
                                                 std::chrono::milliseconds timeout) const {
  std::vector<std::string> argv{"wl-paste"};
  argv.insert(argv.end(), options.begin(), options.end());
  // Without data-control, wl-paste needs the focus, and can lose it to another tool's surface.
  const int attempts = wayland_clipboard() ? 1 : 3;
  const auto deadline = Clock::now() + timeout;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    RunOptions run_options;
    run_options.timeout = std::max<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()), 100ms);
    const RunResult r = run(argv, run_options);
    if (r.status == 0 && !r.timed_out) return r.out;
    if (r.timed_out || Clock::now() >= deadline) break;
  }
  return std::nullopt;
}

std::optional<std::string> WaylandSession::clipboard_in(const std::string& type,
                                                        std::chrono::milliseconds timeout) const {
  return paste({"--no-newline", "--type", type}, timeout);
}

std::vector<std::string> WaylandSession::clipboard_types(std::chrono::milliseconds timeout) const {
  std::vector<std::string> types;
  std::stringstream lines(paste({"--list-types"}, timeout).value_or(""));
  for (std::string line; std::getline(lines, line);) types.push_back(line);
  return types;
}

Child WaylandSession::start_owner(const std::vector<std::string>& mode) const {
  std::vector<std::string> argv{peer()};
  argv.insert(argv.end(), mode.begin(), mode.end());
  Child owner = start(argv);
  for (const auto deadline = Clock::now() + 10s; Clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
    if (owner.output().find("ready\n") != std::string::npos) return owner;
    if (!owner.running()) break;
  }
  throw std::runtime_error(argv[0] + " " + (mode.empty() ? "" : mode[0]) + " did not take the clipboard: " +
                           owner.errors());
}

std::vector<int> WaylandSession::processes() const {
  std::vector<int> pids;
  const std::string nul(1, '\0'), entry = nul + environment_entry() + nul;
  for (const std::string& name : directory_entries("/proc")) {
    const int pid = std::atoi(name.c_str());
    if (pid <= 0 || pid == getpid()) continue;
    if ((nul + slurp("/proc/" + name + "/environ")).find(entry) != std::string::npos && alive(pid))
      pids.push_back(pid);
  }
  return pids;
}

void WaylandSession::end() {
  copy_.reset();
  window_.reset();
  // The compositor first, so that it removes its sockets and ends its XWayland itself.
  if (compositor_pid_ > 0 && alive(compositor_pid_)) {
    kill(compositor_pid_, SIGTERM);
    for (const auto deadline = Clock::now() + 5s; Clock::now() < deadline && alive(compositor_pid_);)
      std::this_thread::sleep_for(20ms);
  }
  // Then whatever else of the session is left: the programs' serving processes, a bus.
  for (int round = 0; round < 2; ++round) {
    std::vector<int> left = processes();
    for (const int pid : left) kill(pid, round == 0 ? SIGTERM : SIGKILL);
    for (const auto deadline = Clock::now() + 2s; Clock::now() < deadline && !left.empty();) {
      std::this_thread::sleep_for(20ms);
      left = processes();
    }
    if (left.empty()) break;
  }
  compositor_process_.reset();  // reaped, its group killed should anything of it remain
  host_.reset();
  remove_x_files(x_files_);
  std::error_code ignored;
  std::filesystem::remove_all(runtime_dir_, ignored);
}

}  // namespace qm::test

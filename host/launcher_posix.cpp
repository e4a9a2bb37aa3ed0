#include "launcher_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "files_posix.h"
#include "folders.h"

extern char** environ;

namespace qm::host {
namespace {

using Clock = std::chrono::steady_clock;

bool executable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

// Reads the worker's standard error until it ends or the time is up.
std::string read_until(int fd, Clock::time_point deadline) {
  std::string out;
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    keep_output(out, std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  return out;
}

// The worker's status, or nullopt when it has not ended by `deadline`.
std::optional<int> wait_until(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The workers' folder, made when missing.
Folder worker_folder() {
  const char* home = std::getenv("HOME");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  Folder folder = posix_worker_folder(home ? home : "", config ? config : "");
  if (!folder.problem.empty()) return folder;
  if (std::string why = make_directories(folder.path, 0700); !why.empty()) return {{}, worker_folder_problem(why)};
  if (access(folder.path.c_str(), R_OK | X_OK) != 0)
    return {{}, worker_folder_problem(folder.path + ": " + std::strerror(errno))};
  return folder;
}

}  // namespace

PosixLauncher::PosixLauncher(std::string host_path, std::chrono::milliseconds time_limit)
    : host_dir_(host_path.substr(0, host_path.rfind('/') + 1)), time_limit_(time_limit) {}

std::string PosixLauncher::find_worker(std::string_view name) {
  // A build tree has the workers beside the host; an installed host lives with the window
  // modules and finds them in the program directory.
  for (const std::string& dir : {host_dir_, host_dir_ + QUOTEMILL_BIN_DIR_FROM_HOST + "/"}) {
    const std::string path = dir + std::string(name);
    if (executable(path)) return path;
  }
  return {};
}

WorkerResult PosixLauncher::run(const WorkerRun& r) {
  WorkerResult result;
  // Never elsewhere: in "/" a worker would read "/user.txt" for its template.
  const Folder folder = worker_folder();
  if (!folder.problem.empty()) return result.error = folder.problem, result;
  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) return result.error = std::strerror(errno), result;

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&files, err[1], 2);
  posix_spawn_file_actions_addchdir_np(&files, folder.path.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // A group of its own, so that a worker stopped for taking too long takes its boxes along.
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!is_worker_variable(*e)) env.emplace_back(*e);
  for (std::string& v : worker_variables(r, time_limit_)) env.push_back(std::move(v));
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = r.program, argument = r.argument;
  char* argv[] = {program.data(), argument.data(), nullptr};

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &files, &attr, argv, envp.data());
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  close(err[1]);
  if (rc != 0) {
    close(err[0]);
    result.error = std::strerror(rc);
    return result;
  }
  result.started = true;
  const Clock::time_point deadline = Clock::now() + time_limit_;
  result.lines = output_lines(read_until(err[0], deadline));
  close(err[0]);
  if (const std::optional<int> status = wait_until(pid, deadline)) {
    result.status = *status;
  } else {
    result.timed_out = true;
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  return result;
}

}  // namespace qm::host

#include "serving_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include "error.h"
#include "process.h"

extern char** environ;

namespace qm::serving {
namespace {

// The program started again finds its job in this variable ("BACKEND:OFFER:WORDS"), its data
// on the first descriptor and its reporter on the next. OFFER is one of these words, by the
// forms offered; the first offers no text.
constexpr char kVariable[] = "QUOTEMILL_CLIPBOARD_SERVER";
constexpr std::string_view kOfferWords[] = {"empty", "text", "html"};

std::string_view offer_word(const std::optional<std::string>& text, Forms forms) {
  return !text ? kOfferWords[0] : forms == Forms::Text ? kOfferWords[1] : kOfferWords[2];
}

std::optional<Forms> offer_of(std::string_view word) {
  if (word == kOfferWords[1]) return Forms::Text;
  if (word == kOfferWords[2]) return Forms::TextAndHtml;
  return std::nullopt;
}
constexpr int kDataFd = 3;
constexpr int kStatusFd = 4;

// Cuts the serving process loose from its caller: own session, no terminal, standard
// streams on /dev/null and no descriptors but `keep` (ascending), so a caller reading our
// output sees it end with the program.
void detach(std::initializer_list<int> keep) {
  setsid();
  if (chdir("/") != 0) {
    // "/" is always there; nothing to do if it is not.
  }
  const int null = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
  if (null > 2) close(null);
  unsigned from = 3;
  for (int k : keep) {
    if (k < static_cast<int>(from)) continue;
    if (k > static_cast<int>(from)) close_range(from, static_cast<unsigned>(k - 1), 0);
    from = static_cast<unsigned>(k) + 1;
  }
  close_range(from, ~0u, 0);
  signal(SIGHUP, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

int dup_high(int fd) { return fcntl(fd, F_DUPFD_CLOEXEC, 10); }

Word await_word(int fd) {
  char word = static_cast<char>(Word::Failed);
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(kWordTimeout.count())) <= 0 || read(fd, &word, 1) != 1)
    word = static_cast<char>(Word::Failed);
  return word == static_cast<char>(Word::Owns) || word == static_cast<char>(Word::OursFirst) ? static_cast<Word>(word)
                                                                                              : Word::Failed;
}

// Whether the process runs a thread besides this one. A thread just joined may still be
// counted for a moment while the kernel takes it down.
bool runs_other_threads() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    char stat[1024];
    const int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    const ssize_t n = read(fd, stat, sizeof stat - 1);
    close(fd);
    if (n <= 0) return true;
    stat[n] = '\0';
    // The thread count is the 18th field after the command name, which ends with the last ')'.
    const char* p = std::strrchr(stat, ')');
    for (int field = 0; p && field < 18; ++field) p = std::strchr(p + 1, ' ');
    if (!p) return true;
    if (std::strtol(p + 1, nullptr, 10) <= 1) return false;
    usleep(100);
  }
  return true;
}

// The serving process as a fork of the run: nothing to start, nothing to load, and the
// result is shared rather than copied. The run's freed memory goes back to the system in the
// child, so it holds its result and little else. Only a run without other threads may fork
// (after fork only exec is safe otherwise).
void start_by_fork(const Start& s, const std::optional<std::string>& text, Forms forms) {
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) throw Error(kCannotOpenClipboard);
  if (s.before_fork) s.before_fork();  // nothing of the run's own may wait in a buffer the child inherits
  const pid_t pid = fork();
  if (pid < 0) {
    close(status[0]);
    close(status[1]);
    throw Error(kCannotOpenClipboard);
  }
  if (pid == 0) {
    close(status[0]);
    detach({std::min(s.connection_fd, status[1]), std::max(s.connection_fd, status[1])});
    return_freed_memory();
    Reporter report(status[1]);
    int exit_status = 1;
    try {
      exit_status = s.serve(text ? std::string_view(*text) : std::string_view(),
                            text ? std::optional<Forms>(forms) : std::nullopt, report);
    } catch (...) {
      report(Word::Failed);
    }
    _exit(exit_status);
  }
  close(status[1]);
  const Word word = await_word(status[0]);
  close(status[0]);
  if (word == Word::Failed) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (s.hand_over) s.hand_over();
  if (word == Word::Failed) throw Error(kCannotOpenClipboard);
}

// The run's own arguments follow the name, so that a process list tells whose result it serves.
std::vector<std::string> server_arguments() {
  std::string cmdline;
  {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    cmdline.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> arguments{"quotemill-clipboard"};
  for (std::size_t at = cmdline.find('\0'); at != std::string::npos && at + 1 < cmdline.size();) {
    const std::size_t end = cmdline.find('\0', at + 1);
    arguments.push_back(cmdline.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
    at = end;
  }
  return arguments;
}

bool is_replaced(const char* entry, const std::vector<std::string>& given) {
  if (std::strncmp(entry, kVariable, sizeof kVariable - 1) == 0 && entry[sizeof kVariable - 1] == '=') return true;
  for (const std::string& g : given) {
    const std::size_t eq = g.find('=');
    if (eq != std::string::npos && std::strncmp(entry, g.c_str(), eq + 1) == 0) return true;
  }
  return false;
}

// Starts the program again as a serving process, hands it the text in a memory file and
// waits until it owns the selection. A fresh program holds the text and little else: a
// forked one would keep the whole heap of the run (freed memory included) for as long as it
// serves, and after fork only exec is safe in a process that runs threads.
void start_by_spawn(const Start& s, const std::optional<std::string>& text, Forms forms) {
  const int memfd = memfd_create("quotemill-clipboard", MFD_CLOEXEC);
  if (memfd < 0) throw Error(kCannotOpenClipboard);
  std::string_view rest = text ? std::string_view(*text) : std::string_view();
  while (!rest.empty()) {
    const ssize_t n = write(memfd, rest.data(), rest.size());
    if (n <= 0) {
      close(memfd);
      throw Error(kCannotOpenClipboard);
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    close(memfd);
    throw Error(kCannotOpenClipboard);
  }
  const int data_fd = dup_high(memfd), status_fd = dup_high(status[1]);
  close(memfd);
  close(status[1]);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e)
    if (!is_replaced(*e, s.environment)) env_strings.emplace_back(*e);
  env_strings.insert(env_strings.end(), s.environment.begin(), s.environment.end());
  env_strings.push_back(std::string(kVariable) + "=" + s.backend + ":" + std::string(offer_word(text, forms)) + ":" +
                        s.words);
  std::vector<char*> envp;
  for (auto& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDWR, 0);
  posix_spawn_file_actions_adddup2(&actions, 0, 1);
  posix_spawn_file_actions_adddup2(&actions, 0, 2);
  posix_spawn_file_actions_adddup2(&actions, data_fd, kDataFd);
  posix_spawn_file_actions_adddup2(&actions, status_fd, kStatusFd);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigfillset(&defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  const std::string program = executable_path();
  std::vector<std::string> arguments = server_arguments();
  std::vector<char*> argv;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(data_fd);
  close(status_fd);

  const Word word = rc == 0 ? await_word(status[0]) : Word::Failed;
  close(status[0]);
  if (word == Word::Failed) {
    if (rc == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    throw Error(kCannotOpenClipboard);
  }
}

}  // namespace

void Reporter::operator()(Word word) {
  if (fd_ < 0) return;
  const char c = static_cast<char>(word);
  if (write(fd_, &c, 1) != 1) {
    // the run has gone; it will not wait for us
  }
  close(fd_);
  fd_ = -1;
}

void start(const Start& s, const std::optional<std::string>& text, Forms forms) {
  if (runs_other_threads())
    start_by_spawn(s, text, forms);
  else
    start_by_fork(s, text, forms);
}

std::optional<int> run_if_spawned(const std::map<std::string, SpawnedServer>& servers) {
  const char* value = std::getenv(kVariable);
  if (!value) return std::nullopt;
  const std::string request = value;
  unsetenv(kVariable);
  const std::size_t first = request.find(':'), second = request.find(':', first + 1);
  const std::string backend = request.substr(0, first);
  const std::optional<Forms> offered =
      first == std::string::npos || second == std::string::npos
          ? std::nullopt
          : offer_of(std::string_view(request).substr(first + 1, second - first - 1));
  const std::string words = second == std::string::npos ? std::string() : request.substr(second + 1);
  detach({kDataFd, kStatusFd});
  Reporter report(kStatusFd);
  const auto server = servers.find(backend);
  struct stat st{};
  fstat(kDataFd, &st);
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  void* map = size ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, kDataFd, 0) : nullptr;
  close(kDataFd);
  if (server == servers.end() || map == MAP_FAILED) {
    report(Word::Failed);
    return 1;
  }
  SpawnedJob job{std::string_view(static_cast<const char*>(map), size), offered, words, report};
  try {
    return server->second(job);
  } catch (...) {
    report(Word::Failed);
    return 1;
  }
}

}  // namespace qm::serving

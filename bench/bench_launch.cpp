// Starts one program and times it from spawn to exit, so that the benchmarks, which hold
// copies of large selections, do not start the programs themselves: Linux charges a spawned
// program's ru_maxrss with its parent's memory up to exec, and this launcher is small.
//
//   bench_launch DISPLAY LANG PROGRAM [ARGS...]
//
// Prints "MS MAXRSS_KIB STATUS" (STATUS: the exit code, or 128 + signal); standard output of
// the program goes to /dev/null.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_launch DISPLAY LANG PROGRAM [ARGS...]\n");
    return 2;
  }
  static char display[256], lang[256];
  std::snprintf(display, sizeof display, "DISPLAY=%s", argv[1]);
  std::snprintf(lang, sizeof lang, "LANG=%s", argv[2]);
  std::size_t n = 0;
  while (environ[n]) ++n;
  char** env = static_cast<char**>(std::calloc(n + 3, sizeof *env));
  std::size_t k = 0;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) && std::strncmp(*e, "LANG=", 5) && std::strncmp(*e, "LC_ALL=", 7))
      env[k++] = *e;
  env[k++] = display;
  env[k++] = lang;

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid;
  const int rc = posix_spawnp(&pid, argv[3], &files, nullptr, argv + 3, env);
  if (rc != 0) {
    std::fprintf(stderr, "bench_launch: %s: %s\n", argv[3], std::strerror(rc));
    return 1;
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return 1;
  clock_gettime(CLOCK_MONOTONIC, &end);
  const double ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
  std::printf("%.3f %ld %d\n", ms, usage.ru_maxrss,
              WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}

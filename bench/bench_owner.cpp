// The round-trip benchmarks' clipboard owner: holds one text and offers it as CLIPBOARD
// (TARGETS, UTF8_STRING, STRING, text/plain;charset=utf-8; INCR with the total size for
// texts larger than a request). It claims the clipboard anew on each "claim" line on its
// standard input and answers "owned 0xWINDOW" once it owns it; it ends at end of input.
//
//   bench_owner FILE     prints "ready" once FILE is in memory

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "selection_io.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_owner FILE\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(size) + 1));
  if (!text || std::fread(text, 1, static_cast<std::size_t>(size), f) != static_cast<std::size_t>(size)) {
    std::fprintf(stderr, "bench_owner: cannot read %s\n", argv[1]);
    return 1;
  }
  std::fclose(f);

  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "bench_owner: no display\n");
    return 1;
  }
  const qm::bench::SelectionAtoms a = qm::bench::intern_selection_atoms(d);
  static qm::bench::SelectionServer server;
  qm::bench::init_server(d, &server, text, static_cast<std::size_t>(size));
  std::printf("ready\n");
  std::fflush(stdout);

  char line[64];
  std::size_t have = 0;
  for (;;) {
    pollfd p[2] = {{0, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
    if (poll(p, 2, XPending(d) ? 0 : -1) < 0) return 1;
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      qm::bench::serve_event(d, a, &server, e);  // a lost clipboard waits for the next claim
    }
    if (!(p[0].revents & (POLLIN | POLLHUP))) continue;
    const ssize_t n = read(0, line + have, sizeof line - 1 - have);
    if (n <= 0) return 0;
    have += static_cast<std::size_t>(n);
    line[have] = '\0';
    while (char* end = std::strchr(line, '\n')) {
      *end = '\0';
      if (std::strcmp(line, "claim") == 0) {
        if (qm::bench::claim(d, a, &server, a.clipboard))
          std::printf("owned 0x%lx\n", server.window);
        else
          std::printf("failed\n");
        std::fflush(stdout);
      }
      have -= static_cast<std::size_t>(end + 1 - line);
      std::memmove(line, end + 1, have + 1);
    }
    if (have == sizeof line - 1) have = 0;  // no command is that long
  }
}

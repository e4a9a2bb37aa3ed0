// The floor the workers are measured against: the least a program can do for the result of
// `quotemill -a -h http://example.com/` on a text with LF line breaks. It connects, reads
// CLIPBOARD as UTF8_STRING (INCR too) into one buffer, puts "<br>" before each LF into an
// output sized once, wraps it in the link, takes the clipboard at a time the server gave
// during the read, and forks a child that serves the result until the clipboard is lost;
// the parent exits at once.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "selection_io.h"

namespace {

const char kHead[] = "<a href=\"http://example.com/\">";
const char kTail[] = "</a>";
const char kBreak[] = "<br>";

// The display going away ends the serving child, quietly.
int display_gone(Display*) { _exit(0); }

}  // namespace

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  const qm::bench::SelectionAtoms a = qm::bench::intern_selection_atoms(d);
  static qm::bench::SelectionServer server;
  qm::bench::init_server(d, &server, nullptr, 0);

  char* in;
  std::size_t size;
  Time when = CurrentTime;
  if (!qm::bench::read_selection(d, server.window, a, a.clipboard, &in, &size, &when, 5000)) return 1;

  std::size_t breaks = 0;
  for (const char* p = in; (p = static_cast<const char*>(std::memchr(p, '\n', size - (p - in)))); ++p) ++breaks;
  const std::size_t out_size = sizeof kHead - 1 + size + breaks * (sizeof kBreak - 1) + sizeof kTail - 1;
  char* out = static_cast<char*>(std::malloc(out_size));
  if (!out) return 1;
  char* o = out;
  std::memcpy(o, kHead, sizeof kHead - 1);
  o += sizeof kHead - 1;
  for (const char* p = in; p < in + size;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', size - (p - in)));
    const std::size_t run = lf ? static_cast<std::size_t>(lf - p) : size - (p - in);
    std::memcpy(o, p, run);
    o += run;
    if (!lf) break;
    std::memcpy(o, kBreak, sizeof kBreak - 1);
    o += sizeof kBreak - 1;
    *o++ = '\n';
    p = lf + 1;
  }
  std::memcpy(o, kTail, sizeof kTail - 1);
  std::free(in);

  server.data = out;
  server.size = out_size;
  const bool owned = when != CurrentTime ? qm::bench::own(d, &server, a.clipboard, when)
                                         : qm::bench::claim(d, a, &server, a.clipboard);
  if (!owned) return 1;
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child > 0) _exit(0);  // the connection is the child's now
  setsid();
  XSetIOErrorHandler(display_gone);
  alarm(600);  // a bound, should no one take the clipboard over
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (!qm::bench::serve_event(d, a, &server, e)) _exit(0);
  }
}

#pragma once
// What the host does with each message of the extension. The answers:
//   {"kind":"version"}                 -> {"ok":true,"version":"..."}
//   {"kind":"parse","text":"..."}      -> {"ok":true,"entries":[{"caption","program","arguments"}],
//                                          "refused":[{"line","reason"}],"refusedLeftOut":N}
//      (every entry is listed; refused lines only as far as the answer has room, N counting
//      the rest)
//   {"kind":"run","program","arguments","url"[,"caption"][,"rich"]}
//                                      -> {"ok":true,"status":N,"messages":["TITLE: TEXT",...]}
//      ("rich":false: the worker puts plain text alone on the clipboard; missing: true)
// and {"ok":false,"error":"..."} (with "timedOut":true when the worker did not finish in time)
// for anything refused or failed.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"
#include "json.h"

namespace qm::host {

struct WorkerRun {
  std::string program;   // the worker's path
  std::string argument;  // its one argument: the entry's argument text with the address in
  std::string caption;   // the browser window's caption, or empty
  bool rich = true;      // false: the worker offers plain text alone, not text/html beside it
};

struct WorkerResult {
  bool started = false;  // false: `error` says why
  bool timed_out = false;
  int status = 0;
  std::vector<std::string> lines;  // what it wrote to standard error, line by line
  std::string error;
};

// Starts the workers: one interface, a process backend and a recording one for tests.
class WorkerLauncher {
 public:
  virtual ~WorkerLauncher() = default;
  // The path of the worker called `name` installed beside the host, or empty.
  virtual std::string find_worker(std::string_view name) = 0;
  virtual WorkerResult run(const WorkerRun& run) = 0;
};

// The most of a worker's standard error that the answer carries.
inline constexpr std::size_t kMaxOutput = 64 * 1024;
// The largest argument text, the address put in, that the host hands to a worker.
inline constexpr std::size_t kMaxArgument = 256 * 1024;

// Adds what a worker wrote to `out`, keeping at most kMaxOutput bytes.
void keep_output(std::string& out, std::string_view chunk);

// A worker's standard error (UTF-8) as box lines: blank lines left out, and the CR at a
// line's end dropped (a C runtime in text mode writes CR LF). A character cut off at the end,
// where keep_output stopped, is left out: the answer must be UTF-8.
std::vector<std::string> output_lines(std::string_view text);

// The time a worker may take: QUOTEMILL_HOST_TIMEOUT_MS (`value`, empty when unset) when it
// reads as a number of milliseconds (read_milliseconds), else two minutes, long enough to
// answer a box.
std::chrono::milliseconds worker_time_limit(std::string_view value);

// The variables the launchers set for a worker ("NAME=VALUE", UTF-8): the browser window's
// caption when there is one, QUOTEMILL_RICH=0 for a run without rich paste, and the limit for
// its boxes: the host's own and a few seconds more, so that while the host lives it stops the
// worker first and says so, and the boxes' own limit ends only a worker whose host is gone.
std::vector<std::string> worker_variables(const WorkerRun& run, std::chrono::milliseconds time_limit);
// Whether an entry of the host's environment is one of those, and so left out: the entry's
// switch alone says whether a run is rich.
bool is_worker_variable(std::string_view entry);

// Why a page address cannot be handed on, or the empty text when it can.
std::string address_problem(std::string_view url);

// The answer to one message. `cp` is the code page the workers read their arguments in.
Json answer(std::string_view message, WorkerLauncher& launcher, const CodePage& cp);

Json error_answer(std::string message);

}  // namespace qm::host

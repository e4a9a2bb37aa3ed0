#pragma once
// The process that keeps serving a clipboard result once the run has ended, as xclip and
// wl-copy do: detached (own session, standard streams on /dev/null, no descriptor but its
// display connection), started as a fork of the run when the run has no other thread, else
// as the program started again with the result in a memory file. Each desktop backend (X11,
// Wayland) says how its process takes the selection and serves; this says how it starts.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard.h"

namespace qm::serving {

// The serving process's word to the waiting run, once: it owns the selection; a serving
// process of ours took it first (its result is as good, nothing is left to do); it failed.
enum class Word : char { Owns = '1', OursFirst = '2', Failed = '0' };

class Reporter {
 public:
  explicit Reporter(int fd) : fd_(fd) {}
  void operator()(Word word);

 private:
  int fd_;
};

// How long the run waits for the serving process's word.
inline constexpr std::chrono::milliseconds kWordTimeout{6000};

struct Start {
  std::string backend;  // the name the program started again finds its serving job by
  // Backend words for the program started again (e.g. the read's server time), and the
  // environment entries it needs to reach the same display ("DISPLAY=:1").
  std::string words;
  std::vector<std::string> environment;
  // A fork serves through the run's own connection: `connection_fd` stays open in it,
  // `before_fork` sends what the run still has buffered, `serve` runs in the child and returns
  // its exit status, and `hand_over` makes the run forget its connection without a word,
  // whatever the child said (the child has spoken on it).
  int connection_fd = -1;
  std::function<void()> before_fork;
  std::function<int(std::string_view data, std::optional<Forms> offered, Reporter& report)> serve;
  std::function<void()> hand_over;
};

// Starts the serving process for `text` in `forms` (nullopt: owned, offering no text) and
// returns once it owns the selection or one of ours took it first; throws Error "クリップボー
// ドを開くことができません" otherwise.
void start(const Start& start, const std::optional<std::string>& text, Forms forms);

// A serving job of a program started again: its data (mapped from the memory file), the forms
// it offers (nullopt: no text), the backend's words, and the reporter to the waiting run.
struct SpawnedJob {
  std::string_view data;
  std::optional<Forms> offered;
  std::string words;
  Reporter& report;
};
using SpawnedServer = std::function<int(SpawnedJob& job)>;

// In a program started as a serving process: runs the job with its backend's server and
// returns its exit status; nullopt for an ordinary start.
std::optional<int> run_if_spawned(const std::map<std::string, SpawnedServer>& servers);

}  // namespace qm::serving

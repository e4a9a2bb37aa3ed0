#pragma once
// The whole-process round-trip benchmark shared by roundtrip_bench and lite_roundtrip.
//
// On a private Xvfb, for each shape of selection (long lines, short lines, no line break)
// and size (1 KB to 100 MB), the workers run against the xclip pipeline, xsel and the floor
// client, interleaved within each size so that all meet the same state of the machine. Each
// run reads from a live bench_owner that has just claimed the clipboard anew, after the
// previous run's serving process has gone; each is timed from spawn to exit by bench_launch;
// each result is read back and compared byte for byte (a wrong one ends the benchmark).
//
// With --wayland the same runs take place on sway run headless, with a Wayland-native window
// in front (tests/support/wayland_session.h): wl-copy copies the selection anew for each run
// (wl-copy -> worker -> wl-paste), the workers run against the `wl-paste | wl-copy` pipeline,
// and wl-paste reads each result back; 1 KB and 10 MB unless --sizes says otherwise.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qm::test {
class XSession;
}

namespace qm::bench {

struct RoundtripSetup {
  std::string usage;                        // the program's own usage line
  std::string program;                      // the worker built beside the benchmark
  std::vector<std::string> arguments;       // the worker's default arguments
  // The worker's result for a selection under the default arguments.
  std::function<std::string(const std::string& text)> expected;
  std::string focused_title;                // when set, a focused window with this caption (on
                                            // Wayland, the caption handed over in QUOTEMILL_CAPTION)
  // When set, called once the display is up, before the first run: the processes it leaves
  // running (a Wine server and its desktop, say) belong to the setting, not to any run. X11
  // only.
  std::function<void(const test::XSession& x)> prepare;
  // A pause after each claim of the bench owner, outside every timing.
  std::chrono::milliseconds settle{0};
};

// Parses the command line ([--program PATH]... [--sizes 1K,64K,...] [--shapes long,short,none]
// [--wayland] [-- ARGS...]), runs the benchmark and prints a table per shape. Returns the
// exit status.
int run_roundtrip(int argc, char** argv, const RoundtripSetup& setup);

// The benchmark's selections, exactly `size` bytes of valid UTF-8.
enum class Shape { Long, Short, NoBreak };
std::string make_selection(Shape shape, std::size_t size);

// "<br>" before each LF.
std::string with_breaks(const std::string& text);

}  // namespace qm::bench

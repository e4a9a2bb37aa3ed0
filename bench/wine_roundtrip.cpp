// Whole-process round trips of quotemill.exe under Wine against the Linux quotemill, in the
// same run on one private Xvfb (see roundtrip_harness.h): both get `-a -h http://example.com/`,
// read the bench owner's selection (Wine's clipboard bridge takes it for quotemill.exe) and
// leave the result, which is read back and checked byte for byte.
//
//   wine_roundtrip [--sizes 1K,10M] [--shapes long,short,none]   default: 1 KB and 10 MB
//
// The Windows programs run in the tests' Wine prefix with one wineserver, its desktop and a
// window of ours that keeps Wine's clipboard alive; a run pays for `wine` and the program's
// start, not for a cold Wine, nor for the moment Wine's bridge takes to see a new X owner. Not while the `windows` tests run: they share the prefix.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "roundtrip_harness.h"
#include "x_session.h"

namespace {

using namespace qm;

const std::string kWindowsBuild = QM_WINDOWS_BUILD_DIR;
const std::string kPrefixScript = std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh";
std::unique_ptr<test::Child> keeper;

void start_wine(const test::XSession& x) {
  const std::string prefix = kWindowsBuild + "/wineprefix";
  test::run({"sh", kPrefixScript, prefix, "stop"});
  test::RunOptions setup;
  setup.timeout = std::chrono::seconds(300);
  setup.env["QM_WINE_DISPLAY"] = x.display();
  if (test::run({"sh", kPrefixScript, prefix, "start"}, setup).status != 0) {
    std::fprintf(stderr, "wine_roundtrip: the Wine prefix would not start\n");
    std::exit(1);
  }
  test::RunOptions o;
  o.env = {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="},
           {"QM_TITLE", "wine_roundtrip"}};
  o.timeout = std::chrono::minutes(10);
  keeper = std::make_unique<test::Child>(x.start({"wine", kWindowsBuild + "/tests/wine_launch.exe", "window"}, o));
  if (!x.wait_window("^wine_roundtrip$", std::chrono::seconds(30))) {
    std::fprintf(stderr, "wine_roundtrip: Wine's window did not show\n");
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words{argv[0], "--program", test::built("quotemill"), "--program", QM_WINE_QUOTEMILL};
  bool sizes = false;
  for (int i = 1; i < argc; ++i) {
    sizes = sizes || std::string(argv[i]) == "--sizes";
    words.emplace_back(argv[i]);
  }
  if (!sizes) words.insert(words.end(), {"--sizes", "1K,10M"});
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  args.push_back(nullptr);

  bench::RoundtripSetup setup{
      "wine_roundtrip [--sizes 1K,...] [--shapes long,short,none]",
      "quotemill",
      {"-a", "-h", "http://example.com/"},
      // The same result from both: Wine's CR LF comes back to X as LF, after its "<br>".
      [](const std::string& text) { return "<a href=\"http://example.com/\">" + bench::with_breaks(text) + "</a>"; },
      "",
      start_wine,
      // Wine's clipboard bridge empties the Windows clipboard when the bench owner takes X's
      // from it, and takes the owner's text in a moment later: a Windows program that reads
      // meanwhile finds the clipboard empty. Every contender waits as long after each claim.
      std::chrono::milliseconds(250)};
  const int status = bench::run_roundtrip(static_cast<int>(args.size()) - 1, args.data(), setup);
  keeper.reset();
  test::run({"sh", kPrefixScript, kWindowsBuild + "/wineprefix", "stop"});
  return status;
}

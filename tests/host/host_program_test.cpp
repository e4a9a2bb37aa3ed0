// quotemill-host's program block over a system of its own: which option runs what, and a
// browser served through the system's input and launcher.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host_program.h"

namespace qm::host {
namespace {

using std::chrono::milliseconds;

const std::string kHost = "/opt/qm/lib/quotemill-host";

// Records the runs where the test still finds them once the host's run has ended.
struct RecordingLauncher : WorkerLauncher {
  explicit RecordingLauncher(std::vector<WorkerRun>& runs) : runs(runs) {}
  std::string find_worker(std::string_view name) override { return "/opt/qm/bin/" + std::string(name); }
  WorkerResult run(const WorkerRun& r) override {
    runs.push_back(r);
    return {true, false, 0, {}, {}};
  }
  std::vector<WorkerRun>& runs;
};

// What the host asked of its system; standard input holds `input`.
struct RecordingSystem : HostSystem {
  int register_host(const std::string& host_path) override {
    calls.push_back("register " + host_path);
    return 3;
  }
  int unregister_host(const std::string& host_path) override {
    calls.push_back("unregister " + host_path);
    return 4;
  }
  bool input_is_terminal() override { return terminal; }
  ReadSome message_input() override {
    calls.push_back("input");
    return [this](char* buffer, std::size_t size) {
      const std::size_t n = std::min(size, input.size() - read);
      std::memcpy(buffer, input.data() + read, n);
      read += n;
      return n;
    };
  }
  std::unique_ptr<WorkerLauncher> launcher(const std::string& host_path, const CodePage&,
                                           milliseconds time_limit) override {
    calls.push_back("launcher " + host_path + " " + std::to_string(time_limit.count()));
    return std::make_unique<RecordingLauncher>(runs);
  }
  std::string environment(const char* name) override { return variables[name]; }

  bool terminal = false;
  std::string input;
  std::size_t read = 0;
  std::map<std::string, std::string> variables;
  std::vector<std::string> calls;
  std::vector<WorkerRun> runs;
};

TEST(HostProgram, OptionsRunWhatTheyName) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> calls;
  } rows[] = {
      {{"--register"}, 3, {"register " + kHost}},
      {{"--unregister"}, 4, {"unregister " + kHost}},
      {{"--manifest", "firefox"}, 0, {}},
      {{"--manifest", "chromium", "--host", "/x/h"}, 0, {}},
      {{"--manifest", "netscape"}, 2, {}},
      {{"--manifest"}, 2, {}},
      {{"--help"}, 0, {}},
      {{"-h"}, 0, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args[0] + (r.args.size() > 1 ? " " + r.args[1] : ""));
    RecordingSystem system;
    system.terminal = true;
    EXPECT_EQ(run_host(r.args, kHost, system), r.status);
    EXPECT_EQ(system.calls, r.calls);
  }
}

// Started from a terminal without an option, or with a browser's arguments, it serves nothing.
TEST(HostProgram, APersonAtTheTerminalGetsTheUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"chrome-extension://id/"}}) {
    RecordingSystem system;
    system.terminal = true;
    EXPECT_EQ(run_host(args, kHost, system), 2);
    EXPECT_TRUE(system.calls.empty());
  }
}

TEST(HostProgram, ABrowserIsServedThroughTheSystem) {
  const std::string message =
      R"({"kind":"run","program":"quotemill","arguments":" -a %u","url":"http://example.com/"})";
  const std::uint32_t length = static_cast<std::uint32_t>(message.size());
  RecordingSystem system;
  system.input = std::string(reinterpret_cast<const char*>(&length), sizeof length) + message;
  system.variables["QUOTEMILL_HOST_TIMEOUT_MS"] = "5000";
  EXPECT_EQ(run_host({"chrome-extension://id/"}, kHost, system), 0);  // 0 at the end of the stream
  EXPECT_EQ(system.calls, (std::vector<std::string>{"input", "launcher " + kHost + " 5000"}));
  EXPECT_EQ(system.read, system.input.size());
  ASSERT_EQ(system.runs.size(), 1u);
  EXPECT_EQ(system.runs[0].program, "/opt/qm/bin/quotemill");
  EXPECT_EQ(system.runs[0].argument, " -a http://example.com/");
}

TEST(HostProgram, TheTimeLimitFallsBackWhenUnreadable) {
  RecordingSystem system;
  system.variables["QUOTEMILL_HOST_TIMEOUT_MS"] = "soon";
  EXPECT_EQ(run_host({}, kHost, system), 0);
  EXPECT_EQ(system.calls.back(), "launcher " + kHost + " " + std::to_string(worker_time_limit("").count()));
}

}  // namespace
}  // namespace qm::host

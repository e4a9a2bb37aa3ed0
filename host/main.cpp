// quotemill-host: the native-messaging host that lets the browser extension start
// Quotemill's workers. Started by the browser, it answers framed messages on its standard
// streams; started by hand it writes or removes the browsers' manifests.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "files_posix.h"
#include "folders.h"
#include "host_program.h"
#include "launcher_posix.h"
#include "manifests.h"
#include "process.h"

namespace {

using namespace qm::host;

std::string variable(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// HOME, or nothing after saying why: manifests written under another folder would land
// where no browser looks, or under "/".
std::optional<std::string> home_or_complain(const char* doing) {
  std::optional<std::string> home = home_folder(variable("HOME"));
  if (!home) std::fprintf(stderr, "quotemill-host: HOME is not set to an absolute path; cannot %s\n", doing);
  return home;
}

std::vector<ManifestPlace> places(const std::string& home) {
  return user_manifest_places(home, *config_folder(home, variable("XDG_CONFIG_HOME")));
}

int write_manifests(const std::string& host_path) {
  const std::optional<std::string> home = home_or_complain("register");
  if (!home) return 1;
  const auto is_folder = [](const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  };
  const Registration plan = plan_registration(places(*home), is_folder, *home);
  for (const std::string& line : plan.skipped) std::printf("%s\n", line.c_str());
  for (const ManifestPlace& p : plan.write) {
    std::string problem = make_directories(p.file.substr(0, p.file.rfind('/')), 0755);
    if (problem.empty())
      problem = replace_file(p.file, p.firefox ? firefox_manifest(host_path) : chromium_manifest(host_path), 0644);
    if (!problem.empty()) {
      std::fprintf(stderr, "quotemill-host: cannot write %s\n", problem.c_str());
      return 1;
    }
    std::printf("%s: %s\n", p.browser.c_str(), p.file.c_str());
  }
  if (plan.write.empty()) {
    std::fputs("quotemill-host: no browser profile found; start the browser once, then register again\n", stderr);
    return 1;
  }
  return 0;
}

int remove_manifests() {
  const std::optional<std::string> home = home_or_complain("unregister");
  if (!home) return 1;
  for (const ManifestPlace& p : places(*home))
    if (std::remove(p.file.c_str()) == 0) std::printf("%s: removed %s\n", p.browser.c_str(), p.file.c_str());
  return 0;
}

// quotemill-host on Linux: the manifests are files under the user's home; the workers are
// processes of their own.
class PosixHost : public HostSystem {
 public:
  int register_host(const std::string& host_path) override { return write_manifests(host_path); }
  int unregister_host(const std::string&) override { return remove_manifests(); }
  bool input_is_terminal() override { return isatty(0); }
  ReadSome message_input() override {
    return [](char* buffer, std::size_t size) -> std::size_t {
      for (;;) {
        const ssize_t n = read(0, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;
      }
    };
  }
  std::unique_ptr<WorkerLauncher> launcher(const std::string& host_path, const qm::CodePage&,
                                           std::chrono::milliseconds time_limit) override {
    return std::make_unique<PosixLauncher>(host_path, time_limit);
  }
  std::string environment(const char* name) override { return variable(name); }
};

}  // namespace

int main(int argc, char** argv) {
  PosixHost system;
  return run_host({argv + 1, argv + argc}, qm::executable_path(), system);
}

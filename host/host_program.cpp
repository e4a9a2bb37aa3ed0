#include "host_program.h"

#include <cstdio>
#include <optional>

#include "manifests.h"
#include "serve.h"
#include "user_locale.h"

namespace qm::host {
namespace {

int serve(const std::string& host_path, HostSystem& system) {
  const CodePage cp = locale_code_page();
  const ReadSome read_input = system.message_input();
  const std::unique_ptr<WorkerLauncher> launcher =
      system.launcher(host_path, cp, worker_time_limit(system.environment("QUOTEMILL_HOST_TIMEOUT_MS")));
  return serve_messages(read_input, stdout, *launcher, cp);
}

}  // namespace

int run_host(const std::vector<std::string>& args, const std::string& host_path, HostSystem& system) {
  const std::string option = args.empty() ? "" : args[0];
  if (option == "--register") return system.register_host(host_path);
  if (option == "--unregister") return system.unregister_host(host_path);
  if (option == "--manifest") {
    const std::optional<std::string> manifest = manifest_for({args.begin() + 1, args.end()}, host_path);
    std::fputs(manifest ? manifest->c_str() : kUsage, manifest ? stdout : stderr);
    return manifest ? 0 : 2;
  }
  if (option == "--help" || option == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // Chromium passes the caller's origin (and on Windows a window handle), Firefox the
  // manifest's path and the add-on's id; a terminal at the other end means a person
  // started it.
  if (system.input_is_terminal()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return serve(host_path, system);
}

}  // namespace qm::host

// quotemill-host: the native-messaging host that lets the browser extension start
// Quotemill's workers. Started by the browser, it answers framed messages on its standard
// streams; started by hand it writes or removes the browsers' manifests.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "launcher_posix.h"
#include "manifests.h"
#include "messaging.h"
#include "process.h"
#include "requests.h"
#include "serve.h"
#include "user_locale.h"

namespace {

using namespace qm::host;

constexpr char kUsage[] =
    "usage: quotemill-host --register | --unregister | --manifest chromium [EXTENSION_ID] | --manifest firefox\n"
    "  (browsers start it with no option, or with their own arguments)\n";

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::vector<ManifestPlace> places() {
  const std::string home = environment("HOME");
  const std::string config = environment("XDG_CONFIG_HOME");
  return user_manifest_places(home, config.empty() ? home + "/.config" : config);
}

bool make_directories(const std::string& path) {
  for (std::size_t at = 1; at != std::string::npos;) {
    at = path.find('/', at + 1);
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

int register_host(const std::string& host_path) {
  int written = 0;
  for (const ManifestPlace& p : places()) {
    struct stat st;
    if (stat(p.profile_dir.c_str(), &st) != 0) continue;  // that browser is not in use here
    const std::string dir = p.file.substr(0, p.file.rfind('/'));
    std::ofstream out;
    if (make_directories(dir)) out.open(p.file, std::ios::trunc);
    out << (p.firefox ? firefox_manifest(host_path) : chromium_manifest(host_path));
    out.close();
    if (!out) {
      std::fprintf(stderr, "quotemill-host: cannot write %s\n", p.file.c_str());
      return 1;
    }
    std::printf("%s: %s\n", p.browser.c_str(), p.file.c_str());
    ++written;
  }
  if (written == 0) {
    std::fputs("quotemill-host: no browser profile found; start the browser once, then register again\n", stderr);
    return 1;
  }
  return 0;
}

int unregister_host() {
  for (const ManifestPlace& p : places())
    if (std::remove(p.file.c_str()) == 0) std::printf("%s: removed %s\n", p.browser.c_str(), p.file.c_str());
  return 0;
}

std::chrono::milliseconds time_limit() {
  // Long enough for the user to answer a worker's box.
  const std::string ms = environment("QUOTEMILL_HOST_TIMEOUT_MS");
  return std::chrono::milliseconds(ms.empty() ? 120000 : std::atol(ms.c_str()));
}

int serve(const std::string& host_path) {
  const qm::CodePage cp = qm::locale_code_page();
  PosixLauncher launcher(host_path, worker_directory(), time_limit());
  const ReadSome read_stdin = [](char* buffer, std::size_t size) -> std::size_t {
    for (;;) {
      const ssize_t n = read(0, buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return 0;
    }
  };
  return serve_messages(read_stdin, stdout, launcher, cp);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string host_path = qm::executable_path();
  const std::string option = argc > 1 ? argv[1] : "";
  if (option == "--register") return register_host(host_path);
  if (option == "--unregister") return unregister_host();
  if (option == "--manifest" && argc > 2 && std::strcmp(argv[2], "chromium") == 0) {
    std::fputs(chromium_manifest(host_path, argc > 3 ? argv[3] : kChromiumExtensionId).c_str(), stdout);
    return 0;
  }
  if (option == "--manifest" && argc > 2 && std::strcmp(argv[2], "firefox") == 0) {
    std::fputs(firefox_manifest(host_path).c_str(), stdout);
    return 0;
  }
  if (option == "--help" || option == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // Chromium passes the caller's origin, Firefox the manifest's path and the add-on's id.
  if (isatty(0)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return serve(host_path);
}

// quotemill-host for Windows: the native-messaging host that lets the browser extension
// start Quotemill's workers. Started by the browser, it answers framed messages on its
// standard streams; started by hand it registers itself with the browsers or unregisters.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host_program.h"
#include "launcher_win32.h"
#include "manifests.h"
#include "process_win32.h"
#include "utf16.h"

namespace {

using namespace qm::host;

const wchar_t* w(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::string directory_of(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

// The manifests live beside the host, one for the Chromium family and one for Firefox.
std::string manifest_file(const std::string& host_path, bool firefox) {
  return directory_of(host_path) + (firefox ? "quotemill-firefox.json" : "quotemill-chromium.json");
}

bool write_file(const std::string& path, const std::string& text) {
  FILE* f = _wfopen(w(qm::utf8_to_utf16(path)), L"wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

int register_keys(const std::string& host_path) {
  for (const bool firefox : {false, true}) {
    const std::string file = manifest_file(host_path, firefox);
    if (!write_file(file, firefox ? firefox_manifest(host_path) : chromium_manifest(host_path))) {
      std::fprintf(stderr, "quotemill-host: cannot write %s\n", file.c_str());
      return 1;
    }
  }
  for (const RegistryPlace& p : registry_places()) {
    const std::u16string file = qm::utf8_to_utf16(manifest_file(host_path, p.firefox));
    HKEY key;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, w(qm::utf8_to_utf16(p.key)), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr);
    if (rc == ERROR_SUCCESS) {
      rc = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                          static_cast<DWORD>((file.size() + 1) * sizeof(char16_t)));
      RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS) {
      std::fprintf(stderr, "quotemill-host: cannot write HKEY_CURRENT_USER\\%s\n", p.key.c_str());
      return 1;
    }
    std::printf("%s: HKEY_CURRENT_USER\\%s\n", p.browser.c_str(), p.key.c_str());
  }
  return 0;
}

bool empty_key(const std::string& key) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, w(qm::utf8_to_utf16(key)), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
    return false;
  DWORD subkeys = 1, values = 1;
  const LONG rc = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// --register made the key's parents where the browser had not: those left empty go too, the
// vendor's key under Software included, so an uninstall leaves no empty key behind.
bool remove_key(std::string key) {
  if (RegDeleteKeyW(HKEY_CURRENT_USER, w(qm::utf8_to_utf16(key))) != ERROR_SUCCESS) return false;
  for (std::size_t cut; (cut = key.rfind('\\')) != std::string::npos && key.find('\\') < cut;) {
    key.resize(cut);
    if (!empty_key(key) || RegDeleteKeyW(HKEY_CURRENT_USER, w(qm::utf8_to_utf16(key))) != ERROR_SUCCESS) break;
  }
  return true;
}

int unregister_keys(const std::string& host_path) {
  for (const RegistryPlace& p : registry_places())
    if (remove_key(p.key))
      std::printf("%s: removed HKEY_CURRENT_USER\\%s\n", p.browser.c_str(), p.key.c_str());
  for (const bool firefox : {false, true}) _wremove(w(qm::utf8_to_utf16(manifest_file(host_path, firefox))));
  return 0;
}

// quotemill-host on Windows: the manifests lie beside the host, and per-user registry keys
// tell the browsers where; the workers are processes of their own.
class Win32Host : public HostSystem {
 public:
  int register_host(const std::string& host_path) override { return register_keys(host_path); }
  int unregister_host(const std::string& host_path) override { return unregister_keys(host_path); }
  // A console at the other end means a person started it.
  bool input_is_terminal() override { return _isatty(_fileno(stdin)); }
  ReadSome message_input() override {
    // Messages are binary: a text-mode stream would turn every LF byte of a length into CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    return [](char* buffer, std::size_t size) -> std::size_t {
      for (;;) {
        const int n = _read(0, buffer, static_cast<unsigned>(size));
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;
      }
    };
  }
  std::unique_ptr<WorkerLauncher> launcher(const std::string& host_path, const qm::CodePage& cp,
                                           std::chrono::milliseconds time_limit) override {
    return std::make_unique<Win32Launcher>(host_path, cp, time_limit);
  }
  std::string environment(const char* name) override { return qm::environment_utf8(name); }
};

}  // namespace

// The arguments in UTF-8, as every path and manifest text is: the ANSI argument vector would
// carry a --host path in the code page's bytes, or with its characters replaced.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(qm::utf16_to_utf8(reinterpret_cast<const char16_t*>(argv[i])));
  Win32Host system;
  return run_host(args, qm::executable_path_utf8(), system);
}

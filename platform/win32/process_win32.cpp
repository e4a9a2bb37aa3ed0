#include "process_win32.h"

#include <windows.h>

#include "command_line.h"
#include "process.h"
#include "user_locale.h"
#include "utf16.h"

namespace qm {

std::u16string whole_module_text(const std::function<std::uint32_t(char16_t*, std::uint32_t)>& get) {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const std::uint32_t n = get(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (n == 0) return {};
    // A text that fills the buffer may have been cut: ask again with room to spare.
    if (n < buffer.size()) return buffer.substr(0, n);
    if (buffer.size() >= 32768 * 2) return {};  // longer than any Windows path
    buffer.resize(buffer.size() * 2);
  }
}

std::string executable_path_utf8() {
  return utf16_to_utf8(whole_module_text([](char16_t* buffer, std::uint32_t size) -> std::uint32_t {
    return GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buffer), size);
  }));
}

std::string executable_path() {
  const CodePage cp = locale_code_page();
  const std::string utf8 = executable_path_utf8();
  return cp.is_utf8() ? utf8 : from_utf8(utf8, cp);
}

std::string command_line_arguments(const CodePage& cp) {
  const std::string utf8 = utf16_to_utf8(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  const std::string line = cp.is_utf8() ? utf8 : from_utf8(utf8, cp);
  return std::string(arguments_after_program(line));
}

std::string environment_utf8(const char* name, bool* found) {
  const std::u16string wide_name = utf8_to_utf16(name);
  const auto* n = reinterpret_cast<const wchar_t*>(wide_name.c_str());
  const DWORD size = GetEnvironmentVariableW(n, nullptr, 0);
  if (found) *found = size > 0;
  if (size == 0) return {};
  std::u16string value(size, u'\0');
  const DWORD got = GetEnvironmentVariableW(n, reinterpret_cast<wchar_t*>(value.data()), size);
  value.resize(got < size ? got : 0);
  return utf16_to_utf8(value);
}

// The command line as the browser wrote it, not the C runtime's argument vector, which would
// have applied Windows' own quoting rules to it.
std::string program_arguments(int, const char* const*, const CodePage& cp) { return command_line_arguments(cp); }

std::optional<std::string> environment_text(const char* name) {
  bool found = false;
  std::string value = environment_utf8(name, &found);
  return found ? std::optional<std::string>(std::move(value)) : std::nullopt;
}

// The heap of the C runtime keeps what is freed anyway; nothing to tune.
void keep_freed_memory() {}

void return_freed_memory() { _heapmin(); }

}  // namespace qm

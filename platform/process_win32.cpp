#include "process_win32.h"

#include <windows.h>

#include <vector>

#include "command_line.h"
#include "process.h"
#include "user_locale.h"
#include "utf16.h"

namespace qm {

std::string executable_path_utf8() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    // A path that fills the buffer may have been cut: try again with room to spare.
    if (n < buffer.size()) return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer.data()), n));
    if (buffer.size() >= 32768 * 2) return {};  // longer than any Windows path
    buffer.resize(buffer.size() * 2);
  }
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

// The heap of the C runtime keeps what is freed anyway; nothing to tune.
void keep_freed_memory() {}

void return_freed_memory() { _heapmin(); }

}  // namespace qm

#include <windows.h>

#include "codepage.h"
#include "regular_file.h"
#include "user_locale.h"
#include "utf16.h"

namespace qm {
namespace {

struct Handle {
  HANDLE h;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace

std::optional<std::string> read_regular_file(const std::string& name, std::size_t limit) {
  const CodePage cp = locale_code_page();
  const std::u16string wide = utf8_to_utf16(cp.is_utf8() ? name : to_utf8(name, cp));
  // Readers share the file as editors expect. A pipe's server is given no right to act as
  // the program (SECURITY_IDENTIFICATION); opening one never waits, it fails when busy.
  const Handle file{CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) return std::nullopt;
  // A file on disk, not a console, a device or a pipe, and no directory.
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  if (GetFileType(file.h) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file.h, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > limit)
    return std::nullopt;

  // One byte past the limit shows a file that grew too large while it was read.
  std::string content;
  content.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[65536];
  while (content.size() <= limit) {
    DWORD n = 0;
    if (!ReadFile(file.h, buffer, sizeof buffer, &n, nullptr)) return std::nullopt;
    if (n == 0) return content;
    content.append(buffer, n);
  }
  return std::nullopt;
}

}  // namespace qm

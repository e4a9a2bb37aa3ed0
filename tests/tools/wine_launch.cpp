// The Windows side of the Wine end-to-end tests, cross-built:
//   wine_launch run     starts QM_PROGRAM with exactly the command line QM_COMMAND_LINE (both
//                       UTF-8) through CreateProcessW, as a browser would, and ends with its
//                       status; wine's own quoting of a Unix argument vector never comes in.
//   wine_launch window  shows a window captioned QM_TITLE in front until it is closed (or ten
//                       minutes have passed): the browser-like window, and the Wine process
//                       that keeps Wine's clipboard alive between runs.
//   wine_launch acp     prints the ANSI code page.
//   wine_launch wait-text  waits until the Windows clipboard holds QM_TEXT (UTF-8; line breaks
//                       compared without their CR) or ten seconds have passed: Wine's bridge
//                       takes an X client's text in a moment after that client took CLIPBOARD.
//   wine_launch breakaway  prints what CreateProcessW does with CREATE_BREAKAWAY_FROM_JOB, the
//                       flag the host starts its workers with: outside a job, in a job that
//                       forbids breaking away, in one that allows it, and without the flag.
//   wine_launch place-code-page  puts the bytes QM_BYTES (in hexadecimal) on the clipboard as
//                       its only form, CF_TEXT, as a program of the code page does; Windows
//                       makes the Unicode form from it.
//   wine_launch forms   prints the clipboard's text forms in the clipboard's order, then the
//                       bytes of CF_TEXT and the UTF-8 of CF_UNICODETEXT, in hexadecimal:
//                         order: CF_TEXT CF_UNICODETEXT ...
//                         text: 41ed40
//                         unicode: 41e7ba8a

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring env(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

int run() {
  const std::wstring program = env(L"QM_PROGRAM");
  std::wstring line = env(L"QM_COMMAND_LINE");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "wine_launch: CreateProcessW failed: %lu\n", GetLastError());
    return 125;
  }
  WaitForSingleObject(process.hProcess, INFINITE);  // the test bounds the whole run
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY || message == WM_TIMER) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

int window() {
  WNDCLASSW c{};
  c.lpfnWndProc = window_procedure;
  c.hInstance = GetModuleHandleW(nullptr);
  c.lpszClassName = L"QuotemillTestWindow";
  RegisterClassW(&c);
  HWND w = CreateWindowExW(0, c.lpszClassName, env(L"QM_TITLE").c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                           400, 200, nullptr, nullptr, c.hInstance, nullptr);
  if (!w) return 1;
  SetForegroundWindow(w);
  SetTimer(w, 1, 600000, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}

std::string clipboard_text() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      const int n = WideCharToMultiByte(CP_UTF8, 0, p, -1, nullptr, 0, nullptr, nullptr);
      if (n > 0) {
        text.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(CP_UTF8, 0, p, -1, text.data(), n, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(n) - 1);
      }
      GlobalUnlock(data);
    }
  CloseClipboard();
  std::string without_cr;
  for (char c : text)
    if (c != '\r') without_cr += c;
  return without_cr;
}

int wait_text() {
  const std::wstring wanted = env(L"QM_TEXT");
  std::string want(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wanted.c_str(), -1, nullptr, 0, nullptr,
                                                                nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, wanted.c_str(), -1, want.data(), static_cast<int>(want.size()), nullptr, nullptr);
  want.pop_back();
  std::string seen;
  for (int i = 0; i < 500; ++i) {
    if ((seen = clipboard_text()) == want) return 0;
    Sleep(20);
  }
  std::fprintf(stderr, "wine_launch: the clipboard holds \"%s\"\n", seen.c_str());
  return 1;
}

// One child (this program, printing the code page) started with `flags`: "ok in the job",
// "ok outside the job" or "error N".
std::string start_child(DWORD flags, HANDLE job) {
  wchar_t self[32768];
  GetModuleFileNameW(nullptr, self, 32768);
  std::wstring line = L"\"" + std::wstring(self) + L"\" acp";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, flags | CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return "error " + std::to_string(GetLastError());
  BOOL in_job = FALSE;
  const bool known = job && IsProcessInJob(process.hProcess, job, &in_job);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!job) return "ok";
  if (!known) return "ok, IsProcessInJob failed";
  return in_job ? "ok in the job" : "ok outside the job";
}

int breakaway() {
  std::printf("outside a job: %s\n", start_child(CREATE_BREAKAWAY_FROM_JOB, nullptr).c_str());
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job || !AssignProcessToJobObject(job, GetCurrentProcess())) {
    std::printf("in a job: cannot join one (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("breaking away forbidden: %s\n", start_child(CREATE_BREAKAWAY_FROM_JOB, job).c_str());
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    std::printf("breaking away allowed: cannot allow it (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("breaking away allowed: %s\n", start_child(CREATE_BREAKAWAY_FROM_JOB, job).c_str());
  std::printf("without the flag: %s\n", start_child(0, job).c_str());
  std::fflush(stdout);
  return 0;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

int place_code_page() {
  const std::wstring digits = env(L"QM_BYTES");
  std::string bytes;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::wstring(digits, i, 2), nullptr, 16));
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  if (!block) return 1;
  std::memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
  GlobalUnlock(block);
  const bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
  CloseClipboard();
  return placed ? 0 : 1;
}

int forms() {
  if (!OpenClipboard(nullptr)) return 1;
  std::string order;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
    if (f == CF_TEXT) order += " CF_TEXT";
    if (f == CF_UNICODETEXT) order += " CF_UNICODETEXT";
    if (f == CF_OEMTEXT) order += " CF_OEMTEXT";
  }
  std::string text, unicode;
  if (HANDLE data = GetClipboardData(CF_TEXT))
    if (const auto* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      const int n = WideCharToMultiByte(CP_UTF8, 0, p, -1, nullptr, 0, nullptr, nullptr);
      if (n > 0) {
        unicode.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(CP_UTF8, 0, p, -1, unicode.data(), n, nullptr, nullptr);
        unicode.pop_back();
      }
      GlobalUnlock(data);
    }
  CloseClipboard();
  std::printf("order:%s\ntext: %s\nunicode: %s\n", order.c_str(), hex(text).c_str(), hex(unicode).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "run") return run();
  if (mode == "window") return window();
  if (mode == "breakaway") return breakaway();
  if (mode == "wait-text") return wait_text();
  if (mode == "place-code-page") return place_code_page();
  if (mode == "forms") return forms();
  if (mode == "acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  std::fputs("usage: wine_launch run|window|acp|wait-text|breakaway|place-code-page|forms\n", stderr);
  return 2;
}

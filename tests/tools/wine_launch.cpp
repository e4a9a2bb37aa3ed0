// The Windows side of the Wine end-to-end tests, cross-built:
//   wine_launch run     starts QM_PROGRAM with exactly the command line QM_COMMAND_LINE (both
//                       UTF-8) through CreateProcessW, as a browser would, and ends with its
//                       status; wine's own quoting of a Unix argument vector never comes in.
//   wine_launch window  shows a window captioned QM_TITLE in front until it is closed (or ten
//                       minutes have passed): the browser-like window, and the Wine process
//                       that keeps Wine's clipboard alive between runs.
//   wine_launch acp     prints the ANSI code page.

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

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "run") return run();
  if (mode == "window") return window();
  if (mode == "acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  std::fputs("usage: wine_launch run|window|acp\n", stderr);
  return 2;
}

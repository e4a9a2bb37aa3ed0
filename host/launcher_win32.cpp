#include "launcher_win32.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "folders.h"
#include "process_win32.h"
#include "utf16.h"

namespace qm::host {
namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* w(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::string last_error() {
  wchar_t* message = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = message ? utf16_to_utf8(reinterpret_cast<const char16_t*>(message)) : "unknown error";
  LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
  return text;
}

// The host's environment with the worker's own variables of this run (worker_variables): a
// block of NUL-ended entries, ended by one more NUL.
std::u16string environment_with(const WorkerRun& run, std::chrono::milliseconds time_limit) {
  std::u16string block;
  wchar_t* all = GetEnvironmentStringsW();
  for (const wchar_t* e = all; e && *e; e += std::wcslen(e) + 1) {
    const std::u16string entry(reinterpret_cast<const char16_t*>(e));
    if (is_worker_variable(utf16_to_utf8(entry))) continue;
    block += entry;
    block += u'\0';
  }
  if (all) FreeEnvironmentStringsW(all);
  for (const std::string& v : worker_variables(run, time_limit)) {
    block += utf8_to_utf16(v);
    block += u'\0';
  }
  block += u'\0';
  return block;
}

// The workers' folder, made when missing.
Folder worker_folder() {
  Folder folder = windows_worker_folder(environment_utf8("APPDATA"));
  if (!folder.problem.empty()) return folder;
  const std::u16string path = utf8_to_utf16(folder.path);
  if (!CreateDirectoryW(w(path), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return {{}, worker_folder_problem(folder.path + ": " + last_error())};
  const DWORD attributes = GetFileAttributesW(w(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return {{}, worker_folder_problem(folder.path + ": " + last_error())};
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {{}, worker_folder_problem(folder.path + ": not a folder")};
  return folder;
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace

Win32Launcher::Win32Launcher(std::string host_path, CodePage cp, std::chrono::milliseconds time_limit)
    : host_dir_(host_path.substr(0, host_path.find_last_of("\\/") + 1)),
      cp_(std::move(cp)),
      time_limit_(time_limit) {}

std::string Win32Launcher::find_worker(std::string_view name) {
  const std::string path = host_dir_ + std::string(name) + ".exe";
  const DWORD attributes = GetFileAttributesW(w(utf8_to_utf16(path)));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

WorkerResult Win32Launcher::run(const WorkerRun& r) {
  WorkerResult result;
  // Never elsewhere: a worker would read user.txt from wherever the browser started the host.
  const Folder folder = worker_folder();
  if (!folder.problem.empty()) return result.error = folder.problem, result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle err_read, err_write, null_in, null_out;
  if (!CreatePipe(&err_read.h, &err_write.h, &inherit, 0)) return result.error = last_error(), result;
  SetHandleInformation(err_read.h, HANDLE_FLAG_INHERIT, 0);
  null_in.h = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  null_out.h = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_in.h;
  startup.hStdOutput = null_out.h;
  startup.hStdError = err_write.h;

  // The worker skips its own name and splits the rest by its own rules: the argument text
  // goes as it stands, with no quoting added or taken away.
  const std::string argument = cp_.is_utf8() ? r.argument : to_utf8(r.argument, cp_);
  std::u16string line = u"\"" + utf8_to_utf16(r.program) + u"\" " + utf8_to_utf16(argument);
  const std::u16string program = utf8_to_utf16(r.program), dir = utf8_to_utf16(folder.path);
  std::u16string env = environment_with(r, time_limit_);

  PROCESS_INFORMATION process{};
  auto start = [&](DWORD flags) {
    return CreateProcessW(w(program), reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, TRUE,
                          flags | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, env.data(), w(dir), &startup,
                          &process);
  };
  // A job that forbids breaking away refuses the flag: the worker then stays in the job.
  bool started = start(CREATE_BREAKAWAY_FROM_JOB);
  if (!started && GetLastError() == ERROR_ACCESS_DENIED) started = start(0);
  if (!started) return result.error = last_error(), result;
  CloseHandle(err_write.h);  // the worker holds the only writing end now
  err_write.h = nullptr;
  Handle process_handle{process.hProcess}, thread_handle{process.hThread};
  result.started = true;

  std::string out;
  const Clock::time_point deadline = Clock::now() + time_limit_;
  bool ended = false;
  char buffer[4096];
  while (Clock::now() < deadline) {
    DWORD available = 0;
    if (!PeekNamedPipe(err_read.h, nullptr, 0, nullptr, &available, nullptr)) {
      ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 ||
              WaitForSingleObject(process.hProcess, static_cast<DWORD>(std::max<long long>(
                  0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()))) ==
                  WAIT_OBJECT_0;
      break;  // the worker closed its standard error: it has ended, or soon will
    }
    if (available > 0) {
      DWORD n = 0;
      if (!ReadFile(err_read.h, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr)) break;
      keep_output(out, std::string_view(buffer, n));
      continue;
    }
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) {
      // Whatever it wrote last is in the pipe already.
      while (PeekNamedPipe(err_read.h, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD n = 0;
        if (!ReadFile(err_read.h, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr)) break;
        keep_output(out, std::string_view(buffer, n));
      }
      ended = true;
      break;
    }
  }
  result.lines = output_lines(out);
  if (!ended) {
    result.timed_out = true;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    return result;
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  result.status = static_cast<int>(status);
  return result;
}

}  // namespace qm::host

// What a Windows process knows about itself: its whole path, however long, and its
// command line exactly as the starting program wrote it.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "arguments.h"
#include "process.h"
#include "process_win32.h"
#include "utf16.h"

namespace qm {
namespace {

const wchar_t* w(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// Started again by the tests below, the program writes what it knows of itself to the file
// QM_CHILD_OUT names and ends before any test runs.
const bool kChild = [] {
  bool found = false;
  const std::string out = environment_utf8("QM_CHILD_OUT", &found);
  if (!found) return false;
  std::ofstream(out, std::ios::binary) << executable_path_utf8() << '\n' << command_line_arguments(CodePage::utf8());
  ExitProcess(0);
}();

std::string temp_dir() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return utf16_to_utf8(std::u16string(reinterpret_cast<const char16_t*>(buffer), n));
}

// Runs `program` with exactly `line` as its command line; what it reported, or empty.
std::string run_child(const std::string& program, const std::string& line) {
  const std::string out = temp_dir() + "qm_process_test_" + std::to_string(GetCurrentProcessId()) + ".txt";
  SetEnvironmentVariableW(L"QM_CHILD_OUT", w(utf8_to_utf16(out)));
  std::u16string command = utf8_to_utf16(line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(w(utf8_to_utf16(program)), reinterpret_cast<wchar_t*>(command.data()), nullptr,
                                      nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(L"QM_CHILD_OUT", nullptr);
  if (!started) return "CreateProcessW failed: " + std::to_string(GetLastError());
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::stringstream report;
  report << std::ifstream(out, std::ios::binary).rdbuf();
  _wremove(w(utf8_to_utf16(out)));
  return report.str();
}

TEST(ProcessWin32, ExecutablePathIsWhole) {
  const std::string path = executable_path_utf8();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  EXPECT_TRUE(path.ends_with("\\process_test.exe")) << path;
  EXPECT_EQ(executable_path(), from_utf8(path, CodePage::from_windows(GetACP())));
}

TEST(ProcessWin32, CommandLineArrivesAsItWasWritten) {
  const std::string self = executable_path_utf8();
  struct Case {
    std::string line, arguments;
  } cases[] = {
      {"\"" + self + "\" -a='_blank' \"x  y\" http://x/?a=1&b=2", " -a='_blank' \"x  y\" http://x/?a=1&b=2"},
      // The C runtime would take these backslashes and quotes as escapes; the programs see them.
      {"\"" + self + "\" a\\\"b \"c\\\\\" \"\" d", " a\\\"b \"c\\\\\" \"\" d"},
      {"process_test.exe\t-q http://x/", "\t-q http://x/"},
      {"\"" + self + "\"", ""},
      {"\"" + self + "\"-b http://x/ 日本語", "-b http://x/ 日本語"},
  };
  for (const Case& c : cases) {
    const std::string report = run_child(self, c.line);
    ASSERT_NE(report.find('\n'), std::string::npos) << c.line;
    EXPECT_EQ(report.substr(report.find('\n') + 1), c.arguments) << c.line;
  }
  // And split by quotemill's own rules, not Windows' ones.
  EXPECT_EQ(split_command_line(" a\\\"b \"c\\\\\" \"\" d", CodePage::utf8()),
            (std::vector<std::string>{"a\\b c\\\\  d"}));
}

// A program installed deep down still knows its whole path: it is never cut at 260. (Wine
// starts no program from a path that long, so the reading is checked against a stand-in
// that behaves as GetModuleFileNameW does.)
TEST(ProcessWin32, LongExecutablePathIsNotCut) {
  for (const std::size_t length : {std::size_t{5}, std::size_t{259}, std::size_t{260}, std::size_t{261},
                                   std::size_t{1000}, std::size_t{32767}}) {
    std::u16string path(length, u'd');
    path[0] = u'C';
    int calls = 0;
    const std::u16string got = whole_module_text([&](char16_t* buffer, std::uint32_t size) -> std::uint32_t {
      ++calls;
      const std::size_t n = std::min<std::size_t>(path.size(), size - 1);
      std::copy_n(path.begin(), n, buffer);
      buffer[n] = u'\0';
      return path.size() < size ? static_cast<std::uint32_t>(path.size()) : size;  // cut: the size
    });
    EXPECT_EQ(got, path) << length;
    EXPECT_LE(calls, 9) << length;
  }
  EXPECT_EQ(whole_module_text([](char16_t*, std::uint32_t) -> std::uint32_t { return 0; }), u"");
}

}  // namespace
}  // namespace qm

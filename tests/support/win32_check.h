#pragma once
// For the Win32 window tests, which run under Wine without GoogleTest: checks that count
// their failures, a bound on the whole run, and where a control stands.

#include <windows.h>

#include <cstdio>
#include <string>

#include "form_layout.h"

namespace qm::test {

inline int failures = 0;

inline void check(bool ok, const char* what, const char* file, int line, const std::string& detail = {}) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "%s:%d: FAILED %s %s\n", file, line, what, detail.c_str());
}
#define QM_CHECK(cond) ::qm::test::check((cond), #cond, __FILE__, __LINE__)
#define QM_CHECK_MSG(cond, detail) ::qm::test::check((cond), #cond, __FILE__, __LINE__, (detail))

// Ends the process with status 3 when the run takes longer than `seconds`: a window left
// open must not hang the suite.
inline void bound_run(DWORD seconds) {
  static DWORD limit;
  limit = seconds * 1000;
  CreateThread(nullptr, 0, [](void*) -> DWORD {
    Sleep(limit);
    std::fprintf(stderr, "FAILED: the run took longer than its bound\n");
    ExitProcess(3);
  }, nullptr, 0, nullptr);
}

// A control's rectangle in its parent's client coordinates.
inline settings::Rect rect_in_parent(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

inline std::string describe(const settings::Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

inline int finish(const char* name) {
  if (failures) std::fprintf(stderr, "%s: %d check(s) failed\n", name, failures);
  else std::fprintf(stderr, "%s: all checks passed\n", name);
  return failures ? 1 : 0;
}

}  // namespace qm::test

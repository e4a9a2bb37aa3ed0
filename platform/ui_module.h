#pragma once
// The programs start without Qt, so that a worker run costs no more than a small X client;
// windows and boxes live in a module that is loaded only when one must be shown.

#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "message_box.h"

// Exported by every window module.
#define QM_UI_EXPORT extern "C" __attribute__((visibility("default")))
// Exported functions never throw: the programs carry their own C++ runtime, and an
// exception must not cross into another one.
QM_UI_EXPORT void qm_ui_show_box(const qm::Box& box) noexcept;
// quotemill_ui and quotemill3_ui: the windows of window_entries.h.
QM_UI_EXPORT int qm_ui_run_settings(const std::string& program_path, const qm::CodePage& cp,
                                    qm::ClipboardBackend& clipboard) noexcept;
QM_UI_EXPORT int qm_ui_run_notice(const std::string& text) noexcept;

namespace qm {

class UiModule {
 public:
  // Loads `file_name` from beside the program or from its installed module directory.
  // Throws Error with the loader's reason when it cannot.
  static UiModule& load(const std::string& file_name);

  // A function the module exports; throws Error when it has none of that name.
  template <class F>
  F* function(const char* name) {
    return reinterpret_cast<F*>(symbol(name));
  }

 private:
  explicit UiModule(void* handle) : handle_(handle) {}
  void* symbol(const char* name);
  void* handle_;
};

}  // namespace qm

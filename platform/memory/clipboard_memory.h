#pragma once
// An in-memory desktop clipboard for tests.

#include <optional>
#include <string>

#include "clipboard.h"

namespace qm {

class MemoryClipboard : public ClipboardBackend {
 public:
  explicit MemoryClipboard(std::optional<std::string> text = std::nullopt) : text(std::move(text)) {}

  void acquire() override;
  void release() noexcept override;
  std::optional<DesktopText> read() override;
  void write(const std::optional<std::string>& value, Forms offered) override;
  bool lf_line_breaks() const noexcept override { return lf_desktop; }
  bool code_page_form() const noexcept override { return code_page_desktop; }

  // What the desktop clipboard holds now (UTF-8, or the code page's own bytes), and the forms
  // the last write offered it in.
  std::optional<std::string> text;
  Forms forms = Forms::Text;
  // The text is the code page's own bytes, as Windows' CF_TEXT when its owner placed that.
  bool code_page_text = false;
  // A clipboard with a code-page form of its own, as Windows': written texts are in the code
  // page, and read back as such.
  bool code_page_desktop = false;
  bool fail_acquire = false;  // as if no display could be reached
  bool fail_read = false;     // as if the owner did not answer
  bool fail_write = false;
  bool lf_desktop = true;     // false: a desktop that breaks lines with CR LF, as Windows
  bool held = false;
  int acquisitions = 0;
  int writes = 0;
};

}  // namespace qm

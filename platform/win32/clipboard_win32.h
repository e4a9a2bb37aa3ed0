#pragma once
// The desktop clipboard on Windows.

#include "clipboard.h"
#include "codepage.h"

namespace qm {

// Reads the text in the form its owner placed: the code-page text (CF_TEXT) as the code
// page's own bytes, or the Unicode text. Writes the programs' code-page text as it is, and
// the Unicode text (and the HTML, where asked) made from those very bytes, so that every
// reader sees the same text.
// Taking the clipboard makes a hidden message-only window its owner; the written text stays
// with the system, no serving process is needed.
class Win32Clipboard : public ClipboardBackend {
 public:
  // `cp` is the code page of the written code-page text: the system's own (GetACP).
  explicit Win32Clipboard(CodePage cp) : cp_(std::move(cp)) {}
  ~Win32Clipboard() override;

  // Another program may hold the clipboard for a moment: tried again for a short while,
  // then Error.
  void acquire() override;
  void release() noexcept override;
  std::optional<DesktopText> read() override;
  void write(const std::optional<std::string>& text, Forms forms) override;
  bool lf_line_breaks() const noexcept override { return false; }
  bool code_page_form() const noexcept override { return true; }

 private:
  CodePage cp_;
  void* window_ = nullptr;  // HWND while the clipboard is held
};

}  // namespace qm

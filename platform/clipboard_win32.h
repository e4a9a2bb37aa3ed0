#pragma once
// The desktop clipboard on Windows.

#include "clipboard.h"
#include "codepage.h"

namespace qm {

// Reads the Unicode text when there is one (else the code-page text) and writes both forms,
// so that every reader sees the same text. Taking the clipboard makes a hidden message-only
// window its owner; the written text stays with the system, no serving process is needed.
class Win32Clipboard : public ClipboardBackend {
 public:
  // `cp` is the code page of the written code-page text: the system's own (GetACP).
  explicit Win32Clipboard(CodePage cp) : cp_(std::move(cp)) {}
  ~Win32Clipboard() override;

  // Another program may hold the clipboard for a moment: tried again for a short while,
  // then Error.
  void acquire() override;
  void release() noexcept override;
  std::optional<std::string> read() override;
  void write(const std::optional<std::string>& text) override;
  bool lf_line_breaks() const noexcept override { return false; }

 private:
  CodePage cp_;
  void* window_ = nullptr;  // HWND while the clipboard is held
};

}  // namespace qm

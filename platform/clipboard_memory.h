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
  std::optional<std::string> read() override;
  void write(const std::optional<std::string>& value) override;
  bool lf_line_breaks() const noexcept override { return lf_desktop; }

  // What the desktop clipboard holds now (UTF-8).
  std::optional<std::string> text;
  bool fail_acquire = false;  // as if no display could be reached
  bool fail_read = false;     // as if the owner did not answer
  bool fail_write = false;
  bool lf_desktop = true;     // false: a desktop that breaks lines with CR LF, as Windows
  bool held = false;
  int acquisitions = 0;
  int writes = 0;
};

}  // namespace qm

#include "clipboard_memory.h"

#include "error.h"

namespace qm {

void MemoryClipboard::acquire() {
  if (fail_acquire) throw Error(kCannotOpenClipboard);
  held = true;
  ++acquisitions;
}

void MemoryClipboard::release() noexcept { held = false; }

std::optional<DesktopText> MemoryClipboard::read() {
  if (!held) throw Error("read without acquire");
  if (fail_read) throw Error(kCannotOpenClipboard);
  if (!text) return std::nullopt;
  return DesktopText(text->substr(0, text->find('\0')), code_page_text);
}

void MemoryClipboard::write(const std::optional<std::string>& value, Forms offered) {
  if (!held) throw Error("write without acquire");
  if (fail_write) throw Error(kCannotOpenClipboard);
  text = value;
  forms = offered;
  code_page_text = code_page_desktop;
  ++writes;
}

}  // namespace qm

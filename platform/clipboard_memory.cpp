#include "clipboard_memory.h"

#include "error.h"

namespace qm {

void MemoryClipboard::acquire() {
  if (fail_acquire) throw Error(kCannotOpenClipboard);
  held = true;
  ++acquisitions;
}

void MemoryClipboard::release() noexcept { held = false; }

std::optional<std::string> MemoryClipboard::read() {
  if (!held) throw Error("read without acquire");
  if (fail_read) throw Error(kCannotOpenClipboard);
  if (!text) return std::nullopt;
  return text->substr(0, text->find('\0'));
}

void MemoryClipboard::write(const std::optional<std::string>& value) {
  if (!held) throw Error("write without acquire");
  if (fail_write) throw Error(kCannotOpenClipboard);
  text = value;
  ++writes;
}

}  // namespace qm

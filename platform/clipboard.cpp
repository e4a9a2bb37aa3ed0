#include "clipboard.h"

#include <new>

#include "error.h"
#include "text.h"

namespace qm {
namespace {

// What a write of `text` offers: HTML only where asked for, allowed, and there is a result.
Forms offered(Forms asked, bool rich, const Text& text) {
  return rich && !text.bytes.empty() ? asked : Forms::Text;
}

}  // namespace

bool rich_paste_allowed(const std::optional<std::string>& setting) { return setting != "0"; }

ReadText ClipboardTextEdge::from_desktop(DesktopText desktop) {
  // Line breaks first: the references that the code page needs are then where they stay.
  bool lf_breaks = false;
  if (lf_line_breaks_ && contains_crlf(desktop.text)) {
    keep_crlf_ = true;
    desktop.text = lf_to_crlf(std::move(desktop.text));
  } else {
    lf_breaks = lf_line_breaks_;
  }
  if (cp_.is_utf8() || desktop.code_page) return {Text(std::move(desktop.text), lf_breaks)};
  ReadText read{Text({}, lf_breaks)};
  read.text.bytes = from_utf8(desktop.text, cp_, &read.references);
  return read;
}

std::string ClipboardTextEdge::to_desktop(Text text) const {
  std::string bytes;
  if (!lf_line_breaks_ || keep_crlf_)
    bytes = crlf_bytes(std::move(text));
  else
    bytes = text.lf_breaks ? std::move(text.bytes) : crlf_to_lf(std::move(text.bytes));
  return cp_.is_utf8() || code_page_form_ ? std::move(bytes) : to_utf8(bytes, cp_);
}

CountedClipboard::~CountedClipboard() {
  while (count_ > 0) close();
}

void CountedClipboard::open() {
  if (count_ == 0) {
    try {
      backend_.acquire();
    } catch (const Error&) {
      throw Error(kCannotOpenClipboard);
    }
    emptied_ = false;
  }
  ++count_;
}

void CountedClipboard::close() noexcept {
  if (count_ == 0) return;
  if (--count_ == 0) backend_.release();
}

ReadText CountedClipboard::read_text() {
  ClipboardHold hold(*this);
  std::optional<DesktopText> desktop = backend_.read();
  return desktop ? edge_.from_desktop(std::move(*desktop)) : ReadText{};
}

void CountedClipboard::write_text(Text text, Forms forms) {
  ClipboardHold hold(*this);
  emptied_ = true;
  const Forms offer = offered(forms, rich_, text);
  backend_.write(edge_.to_desktop(std::move(text)), offer);
}

std::optional<ReadText> OneShotClipboard::read_text() {
  try {
    backend_.acquire();
  } catch (const Error&) {
    return std::nullopt;
  }
  std::optional<ReadText> result;
  try {
    std::optional<DesktopText> desktop = backend_.read();
    result = desktop ? edge_.from_desktop(std::move(*desktop)) : ReadText{};
  } catch (const Error&) {
  } catch (const std::bad_alloc&) {
    result.reset();  // a text too large for memory cannot be read
  }
  backend_.release();
  return result;
}

bool OneShotClipboard::write_text(Text text, Forms forms) {
  try {
    backend_.acquire();
  } catch (const Error&) {
    return false;
  }
  bool ok = true;
  try {
    if (text.bytes.empty()) {
      backend_.write(std::nullopt, Forms::Text);
    } else {
      const Forms offer = offered(forms, rich_, text);
      backend_.write(edge_.to_desktop(std::move(text)), offer);
    }
  } catch (const Error&) {
    ok = false;
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  backend_.release();
  return ok;
}

}  // namespace qm

#include "clipboard.h"

#include <new>

#include "error.h"
#include "text.h"

namespace qm {

std::string ClipboardTextEdge::from_desktop(DesktopText desktop) {
  std::string text = cp_.is_utf8() || desktop.code_page ? std::move(desktop.text) : from_utf8(desktop.text, cp_);
  if (!lf_line_breaks_) return text;
  keep_crlf_ = keep_crlf_ || contains_crlf(text);
  return lf_to_crlf(std::move(text));
}

std::string ClipboardTextEdge::to_desktop(std::string text) const {
  if (lf_line_breaks_ && !keep_crlf_) text = crlf_to_lf(std::move(text));
  return cp_.is_utf8() || code_page_form_ ? std::move(text) : to_utf8(text, cp_);
}

LinedText ClipboardTextEdge::from_desktop_as_read(DesktopText desktop) {
  // Line breaks first: the references that the code page needs are then where they stay.
  LineBreak line_break = LineBreak::CrLf;
  if (lf_line_breaks_ && !contains_crlf(desktop.text)) {
    line_break = LineBreak::Lf;
  } else if (lf_line_breaks_) {
    keep_crlf_ = true;
    desktop.text = lf_to_crlf(std::move(desktop.text));
  }
  if (cp_.is_utf8() || desktop.code_page) return {std::move(desktop.text), line_break};
  LinedText text{{}, line_break};
  text.text = from_utf8(desktop.text, cp_, &text.references);
  return text;
}

std::string ClipboardTextEdge::to_desktop(LinedText text) const {
  if (text.line_break == LineBreak::CrLf) return to_desktop(std::move(text.text));
  return cp_.is_utf8() || code_page_form_ ? std::move(text.text) : to_utf8(text.text, cp_);
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

std::string CountedClipboard::read_text() {
  ClipboardHold hold(*this);
  std::optional<DesktopText> desktop = backend_.read();
  return desktop ? edge_.from_desktop(std::move(*desktop)) : std::string();
}

LinedText CountedClipboard::read_lined_text() {
  ClipboardHold hold(*this);
  std::optional<DesktopText> desktop = backend_.read();
  return edge_.from_desktop_as_read(desktop ? std::move(*desktop) : DesktopText(""));
}

void CountedClipboard::write_text(LinedText text) {
  ClipboardHold hold(*this);
  emptied_ = true;
  backend_.write(edge_.to_desktop(std::move(text)));
}

void CountedClipboard::write_text(std::string text) {
  ClipboardHold hold(*this);
  emptied_ = true;
  backend_.write(edge_.to_desktop(std::move(text)));
}

std::optional<std::string> OneShotClipboard::read_text() {
  std::optional<LinedText> read = read_lined_text();
  if (!read) return std::nullopt;
  if (read->line_break == LineBreak::Lf) return lf_to_crlf(std::move(read->text));
  return std::move(read->text);
}

bool OneShotClipboard::write_text(std::string text) { return write_text(LinedText{std::move(text)}); }

std::optional<LinedText> OneShotClipboard::read_lined_text() {
  try {
    backend_.acquire();
  } catch (const Error&) {
    return std::nullopt;
  }
  std::optional<LinedText> result;
  try {
    std::optional<DesktopText> desktop = backend_.read();
    result = edge_.from_desktop_as_read(desktop ? std::move(*desktop) : DesktopText(""));
  } catch (const Error&) {
  } catch (const std::bad_alloc&) {
    result.reset();  // a text too large for memory cannot be read
  }
  backend_.release();
  return result;
}

bool OneShotClipboard::write_text(LinedText text) {
  try {
    backend_.acquire();
  } catch (const Error&) {
    return false;
  }
  bool ok = true;
  try {
    if (text.text.empty())
      backend_.write(std::nullopt);
    else
      backend_.write(edge_.to_desktop(std::move(text)));
  } catch (const Error&) {
    ok = false;
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  backend_.release();
  return ok;
}

}  // namespace qm

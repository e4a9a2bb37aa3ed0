#include "clipboard_win32.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "error.h"
#include "html_forms.h"
#include "utf16.h"

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;
// Clipboard viewers and managers hold the clipboard for a few milliseconds after each change.
constexpr auto kOpenRetry = std::chrono::milliseconds(500);

// A movable block holding `size` bytes from `data`; nullptr when memory is short.
HGLOBAL block_of(const void* data, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return nullptr;
  void* p = GlobalLock(block);
  if (!p) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(p, data, size);
  GlobalUnlock(block);
  return block;
}

void place(UINT format, const void* data, std::size_t size) {
  HGLOBAL block = block_of(data, size);
  if (!block) throw Error(kCannotOpenClipboard);
  if (!SetClipboardData(format, block)) {
    GlobalFree(block);  // still ours: the system took nothing
    throw Error(kCannotOpenClipboard);
  }
}

// The data of `format` up to its first NUL, as units of `Char`; nullopt when there is none.
template <class Char>
std::optional<std::basic_string<Char>> fetch(UINT format) {
  if (!IsClipboardFormatAvailable(format)) return std::nullopt;
  HANDLE data = GetClipboardData(format);
  if (!data) return std::nullopt;
  const auto* p = static_cast<const Char*>(GlobalLock(data));
  if (!p) return std::nullopt;
  // A block without its NUL ends where the block does.
  const std::size_t units = GlobalSize(data) / sizeof(Char);
  std::size_t n = 0;
  while (n < units && p[n] != 0) ++n;
  std::basic_string<Char> text(p, n);
  GlobalUnlock(data);
  return text;
}

// The first text form in the clipboard's list (CF_TEXT, CF_UNICODETEXT or CF_OEMTEXT), 0
// when there is none. The formats an owner placed come first, in the order placed, and those
// that Windows makes from them after.
UINT first_text_format() {
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
    if (format == CF_TEXT || format == CF_UNICODETEXT || format == CF_OEMTEXT) return format;
  return 0;
}

}  // namespace

Win32Clipboard::~Win32Clipboard() { release(); }

void Win32Clipboard::acquire() {
  if (window_) return;
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) throw Error(kCannotOpenClipboard);
  const Clock::time_point deadline = Clock::now() + kOpenRetry;
  while (!OpenClipboard(window)) {
    if (Clock::now() >= deadline) {
      DestroyWindow(window);
      throw Error(kCannotOpenClipboard);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  window_ = window;
}

void Win32Clipboard::release() noexcept {
  if (!window_) return;
  CloseClipboard();
  DestroyWindow(static_cast<HWND>(window_));
  window_ = nullptr;
}

std::optional<DesktopText> Win32Clipboard::read() {
  // Windows makes each text form from the one placed: CF_UNICODETEXT from CF_TEXT by its own
  // table, which changes the code page's duplicate codes and turns bytes that form no
  // character into private-use characters; CF_TEXT from CF_UNICODETEXT with "?" for what the
  // page lacks. So the placed form is read, which comes first among the formats. Placed
  // CF_TEXT is the code page's own bytes, handed on untouched; the Unicode text goes through
  // the programs' own conversion, which keeps what the page lacks as references.
  if (first_text_format() == CF_TEXT)
    if (auto text = fetch<char>(CF_TEXT)) return DesktopText(std::move(*text), true);
  if (auto wide = fetch<char16_t>(CF_UNICODETEXT)) return DesktopText(utf16_to_utf8(*wide));
  if (auto text = fetch<char>(CF_TEXT)) return DesktopText(std::move(*text), true);
  return std::nullopt;
}

void Win32Clipboard::write(const std::optional<std::string>& text, Forms forms) {
  if (!EmptyClipboard()) throw Error(kCannotOpenClipboard);
  if (!text) return;
  // The code-page text is the programs' own and goes first, byte for byte; the Unicode text
  // and the HTML are what the programs read those bytes as, so every form holds the same
  // characters.
  const std::string utf8 = cp_.is_utf8() ? *text : to_utf8(*text, cp_);
  const std::u16string wide = utf8_to_utf16(utf8);
  place(CF_TEXT, text->c_str(), text->size() + 1);
  place(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  if (forms == Forms::TextAndHtml) {
    static const UINT html_format = RegisterClipboardFormatW(L"HTML Format");
    if (!html_format) throw Error(kCannotOpenClipboard);
    const std::string html = cf_html(utf8);
    place(html_format, html.c_str(), html.size() + 1);
  }
}

}  // namespace qm

#include <windows.h>

#include "system_codepage.h"

namespace qm {
namespace {

UINT number(const CodePage& cp) {
  switch (cp.kind()) {
    case CodePage::Kind::Utf8: return CP_UTF8;
    case CodePage::Kind::ShiftJis: return 932;
    case CodePage::Kind::EucJp: return 20932;
    case CodePage::Kind::SingleByte: break;
  }
  return static_cast<UINT>(std::stoul(cp.iconv_name().substr(2)));
}

std::optional<std::wstring> wide(const std::string& text, UINT page) {
  wchar_t buffer[64];
  const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), buffer, 64);
  if (n <= 0) return std::nullopt;
  return std::wstring(buffer, static_cast<std::size_t>(n));
}

std::optional<std::string> narrow(const std::wstring& text, UINT page) {
  char buffer[64];
  BOOL substituted = FALSE;
  const bool utf8 = page == CP_UTF8;
  const int n = WideCharToMultiByte(page, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text.data(),
                                    static_cast<int>(text.size()), buffer, 64, nullptr, utf8 ? nullptr : &substituted);
  if (n <= 0 || substituted) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

// Code page 20932 is no ANSI code page of any Windows, and holds only half of EUC-JP.
bool system_has_code_page(const CodePage& cp) {
  return cp.kind() != CodePage::Kind::EucJp && IsValidCodePage(number(cp));
}

// Windows' 932 alone reads the byte 0x80 as the C1 control U+0080, which no text holds; the
// shared tables keep it no character, as the C library has it, so both builds agree.
bool holds_lone_0x80(const std::string& code, const CodePage& cp) {
  if (cp.kind() != CodePage::Kind::ShiftJis) return false;
  for (std::size_t i = 0; i < code.size(); i += cp.char_length(code, i))
    if (code[i] == '\x80') return true;
  return false;
}
bool holds_u0080(const std::string& utf8, const CodePage& cp) {
  return cp.kind() == CodePage::Kind::ShiftJis && utf8.find("\xC2\x80") != std::string::npos;
}

std::optional<std::string> system_to_utf8(const std::string& text, const CodePage& cp) {
  if (holds_lone_0x80(text, cp)) return std::nullopt;
  const auto w = wide(text, number(cp));
  return w ? narrow(*w, CP_UTF8) : std::nullopt;
}

std::optional<std::string> system_from_utf8(const std::string& utf8, const CodePage& cp) {
  if (holds_u0080(utf8, cp)) return std::nullopt;
  const auto w = wide(utf8, CP_UTF8);
  return w ? narrow(*w, number(cp)) : std::nullopt;
}

}  // namespace qm

#pragma once
// The code page of the user's locale, passed as a value so that every text rule
// can be run under UTF-8 and Shift-JIS alike.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class CodePage {
 public:
  enum class Kind { Utf8, ShiftJis, EucJp, SingleByte };

  static CodePage utf8() { return CodePage(Kind::Utf8, "UTF-8"); }
  // Windows' Japanese code page 932, a superset of Shift-JIS.
  static CodePage shift_jis() { return CodePage(Kind::ShiftJis, "CP932"); }
  // From a codeset name as nl_langinfo(CODESET) gives it ("UTF-8", "SHIFT_JIS", "ANSI_X3.4-1968"...).
  static CodePage from_codeset(std::string_view codeset);
  // From a Windows code page number as GetACP() gives it (932, 65001, 1252...).
  static CodePage from_windows(unsigned code_page);

  Kind kind() const noexcept { return kind_; }
  bool is_utf8() const noexcept { return kind_ == Kind::Utf8; }
  // The name iconv knows the code page by.
  const std::string& iconv_name() const noexcept { return iconv_name_; }

  // Length in bytes of the character that starts at `pos` (at least 1, never past the end).
  // A malformed sequence counts as single bytes, so no byte is ever skipped unseen.
  std::size_t char_length(std::string_view text, std::size_t pos) const noexcept;

  // True when `byte` is never the second or later byte of a character, so a search for it
  // needs no stepping: ASCII in UTF-8 and EUC-JP, bytes below 0x40 in Shift-JIS (CR, LF,
  // blanks, quotes, "%", "-"...), every byte of a single-byte code page.
  bool never_inside_character(unsigned char byte) const noexcept;

  bool operator==(const CodePage&) const = default;

 private:
  CodePage(Kind kind, std::string iconv_name) : kind_(kind), iconv_name_(std::move(iconv_name)) {}
  Kind kind_;
  std::string iconv_name_;
};

// Desktop text (UTF-8) into the code page. A character the code page cannot hold, or holds
// only as a code that reads back as another character, becomes a numeric character
// reference such as "&#x1F600;"; a byte that is not UTF-8 counts as U+FFFD. With UTF-8
// nothing is converted, invalid bytes included. Where each reference starts is added to
// `references`, in ascending order, so that escaping page text can keep them as they are.
std::string from_utf8(std::string_view utf8, const CodePage& cp, std::vector<std::size_t>* references = nullptr);

// Text in the code page to UTF-8; a byte that starts no character becomes U+FFFD, so the
// result is always valid UTF-8 (except with UTF-8 itself, which is passed as it is).
std::string to_utf8(std::string_view text, const CodePage& cp);

// Appends the UTF-8 form of one character.
void append_utf8(char32_t c, std::string& out);

// Latin-1 (X11's STRING) to UTF-8: every byte is the character of that number.
std::string latin1_to_utf8(std::string_view latin1);

}  // namespace qm

#pragma once
// Byte-string operations of the programs. Every length and position counts bytes;
// a match never starts inside a multibyte character of the code page.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codepage.h"

namespace qm {

// An empty string with room for at least `capacity` bytes. Large buffers get some slack and
// are rounded to a size class, so that freed ones are reused. They ask for no huge pages: on
// a virtual machine that hands free memory back to its host, a fresh huge page costs several
// times the 4 KiB pages it replaces.
std::string string_with_capacity(std::size_t capacity);

// ASCII letters folded; every other byte compared as it is.
bool equals_icase(std::string_view a, std::string_view b) noexcept;
bool starts_with_icase(std::string_view text, std::string_view prefix) noexcept;

// Replaces each non-overlapping occurrence of `from`, scanning left to right; the inserted
// text is not scanned again. Linear in the length of `text`, which is handed back as it
// is when nothing matches and changed in place where it can be.
std::string replace_all(std::string text, std::string_view from, std::string_view to, const CodePage& cp);
std::string replace_all_icase(std::string text, std::string_view from, std::string_view to, const CodePage& cp);

// Hexadecimal digits, at least one, with a value below 2^32; nullopt for anything else: the
// hexadecimal numbers of the main worker and of its settings form.
std::optional<std::uint32_t> hex_number(std::string_view digits) noexcept;

// The main worker's number: decimal digits, or "0x"/"0X" and up to 32 bits of hexadecimal
// digits (so 80000000 and above are negative). Anything else throws Error
// "'TEXT' は整数ではありません".
std::int32_t to_int32(std::string_view text, const CodePage& cp);

// Line breaks at the clipboard's edge: Linux programs put lone LFs on the clipboard, the
// programs work with CR LF. lf_to_crlf gives each LF without a CR before it one.
// Both work in place and hand the text back untouched when there is nothing to change.
std::string lf_to_crlf(std::string text);
std::string crlf_to_lf(std::string text);

bool contains_crlf(std::string_view text) noexcept;

// Page text made to stand in HTML as it reads: each "&", "<", ">" and '"' becomes "&amp;",
// "&lt;", "&gt;" or "&quot;", so the quote shows what was selected and nothing of the page
// runs. An "&" at one of `references` (ascending offsets of the references that the code-page
// conversion wrote) stays, so such a character still shows as itself. These bytes never stand
// inside a character of any code page here, and CR and LF are left alone. In place where the
// text has room; handed back untouched when there is nothing to escape.
std::string escape_html(std::string text, std::span<const std::size_t> references = {});

// A text of the programs with the form its line breaks are kept in. To every rule a line
// break is CR LF, and a lone LF is none. A text read from a desktop of LF line breaks that
// held no CR LF of its own keeps instead each line break as the LF it was read as
// (`lf_breaks`: every LF is a line break), so that neither clipboard edge moves its bytes:
// converting it on the way in and again on the way out cost the round trip of a large text
// up to 70% more time. The clipboard edge alone chooses the form; the line-break operations
// below read and write either alike, and the rules that use them never look at it.
struct Text {
  Text(std::string bytes = {}, bool lf_breaks = false) : bytes(std::move(bytes)), lf_breaks(lf_breaks) {}
  Text(const char* bytes) : bytes(bytes), lf_breaks(false) {}
  std::string bytes;
  bool lf_breaks;
  bool operator==(const Text&) const = default;
};

// The number of bytes as the rules count them: each line break two.
std::size_t crlf_size(const Text& text) noexcept;

// The text with its line breaks as CR LF.
std::string crlf_bytes(Text text);

// Every line break, or only the first, replaced by `with`, which holds no CR or LF.
Text replace_line_breaks(Text text, std::string_view with, bool first_only = false);

// `insert` (no CR or LF in it) in front of the first line break.
Text mark_first_line_break(Text text, std::string_view insert);

// `head`, the text with `insert` in front of each of its line breaks, then `tail` (all three
// texts of the programs): what replacing every line break by `insert` and the break gives,
// framed. One pass from the back of the text, in the text's own buffer when it has room; no
// byte before the first change moves when `head` is empty.
Text frame_and_mark(Text text, std::string_view head, std::string_view insert, std::string_view tail);

}  // namespace qm

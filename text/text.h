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
// programs work with CR LF.
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

// How a text marks a line break. Inside the programs it is CR LF; a clipboard text that held
// no CR LF of its own may also be worked on as it was read, each LF standing for a CR LF,
// which spares converting it on the way in and again on the way out.
enum class LineBreak { CrLf, Lf };
constexpr std::string_view line_break_text(LineBreak b) noexcept { return b == LineBreak::CrLf ? "\r\n" : "\n"; }
std::size_t count_line_breaks(std::string_view text, LineBreak b) noexcept;

// `head`, the text with `insert` in front of each of its line breaks, then `tail`: what
// replacing every line break by `insert` and the break gives, framed. One pass from the back
// of the text, in the text's own buffer when it has room; no byte before the first change
// moves when `head` is empty.
std::string frame_and_mark(std::string text, std::string_view head, std::string_view insert, std::string_view tail,
                           LineBreak b);
inline std::string insert_before_crlf(std::string text, std::string_view insert) {
  return frame_and_mark(std::move(text), "", insert, "", LineBreak::CrLf);
}

}  // namespace qm

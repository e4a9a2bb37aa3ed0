#pragma once
// Byte-string operations of the programs. Every length and position counts bytes;
// a match never starts inside a multibyte character of the code page.

#include <cstdint>
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

// The main worker's number: decimal digits, or "0x"/"0X" and up to 32 bits of hexadecimal
// digits (so 80000000 and above are negative). Anything else throws Error
// "'TEXT' は整数ではありません".
std::int32_t to_int32(std::string_view text, const CodePage& cp);

// Line breaks at the clipboard's edge: Linux programs put lone LFs on the clipboard, the
// programs work with CR LF.
// Both work in place and hand the text back untouched when there is nothing to change.
std::string lf_to_crlf(std::string text);
std::string crlf_to_lf(std::string text);

// Puts `insert` in front of every CR LF: what replacing every CR LF by `insert` CR LF
// gives, in one pass from the back of the text.
std::string insert_before_crlf(std::string text, std::string_view insert);
bool contains_crlf(std::string_view text) noexcept;

}  // namespace qm

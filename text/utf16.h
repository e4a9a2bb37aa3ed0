#pragma once
// UTF-8 and UTF-16, the two forms in which Windows hands out text: its wide functions speak
// UTF-16, the programs' desktop edge speaks UTF-8. Nothing is dropped either way.

#include <string>
#include <string_view>

namespace qm {

// A byte that starts no UTF-8 character becomes U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

// A surrogate without its partner becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view utf16);

}  // namespace qm

#include <windows.h>

#include <cstdlib>

#include "single_byte_table.h"

namespace qm {

std::array<std::uint16_t, 256> single_byte_table(const std::string& codeset) {
  std::array<std::uint16_t, 256> table{};
  // Windows names its code pages by number: "CP1252" is 1252.
  const unsigned number = codeset.starts_with("CP") ? std::strtoul(codeset.c_str() + 2, nullptr, 10) : 0;
  if (number == 0 || !IsValidCodePage(number)) {
    for (unsigned b = 1; b < 0x80; ++b) table[b] = static_cast<std::uint16_t>(b);
    return table;
  }
  for (unsigned b = 1; b < 256; ++b) {
    const char in = static_cast<char>(b);
    wchar_t out[2];
    // Exactly one character of the basic plane, or the byte is none.
    if (MultiByteToWideChar(number, MB_ERR_INVALID_CHARS, &in, 1, out, 2) == 1)
      table[b] = static_cast<std::uint16_t>(out[0]);
  }
  return table;
}

}  // namespace qm

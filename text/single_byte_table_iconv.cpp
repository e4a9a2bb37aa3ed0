#include <iconv.h>

#include "single_byte_table.h"

namespace qm {

std::array<std::uint16_t, 256> single_byte_table(const std::string& codeset) {
  std::array<std::uint16_t, 256> table{};
  iconv_t cd = iconv_open("UTF-16LE", codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // A code page the system cannot convert: ASCII alone, the rest becomes references.
    for (unsigned b = 1; b < 0x80; ++b) table[b] = static_cast<std::uint16_t>(b);
    return table;
  }
  for (unsigned b = 1; b < 256; ++b) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(b);
    unsigned char out[4];
    char* src = &in;
    char* dst = reinterpret_cast<char*>(out);
    std::size_t src_left = 1, dst_left = sizeof out;
    // Exactly one character of the basic plane, or the byte is none.
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1) && dst_left == 2)
      table[b] = static_cast<std::uint16_t>(out[0] | out[1] << 8);
  }
  iconv_close(cd);
  return table;
}

}  // namespace qm

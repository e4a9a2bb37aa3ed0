#include "utf16.h"

#include "codepage.h"

namespace qm {
namespace {

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The character at `pos` and its length; U+FFFD and 1 for a byte that starts none, as the
// code-page conversion counts them.
char32_t decode(std::string_view s, std::size_t& pos) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(pos);
  if (lead < 0x80) return s[pos++];
  const std::size_t n = CodePage::utf8().char_length(s, pos);
  if (n == 1) {
    ++pos;
    return 0xFFFD;
  }
  char32_t c = n == 2 ? lead & 0x1F : n == 3 ? lead & 0x0F : lead & 0x07;
  for (std::size_t i = 1; i < n && continuation(b(pos + i)); ++i) c = (c << 6) | (b(pos + i) & 0x3F);
  pos += n;
  return c;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = decode(utf8, pos);
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() + utf16.size() / 2);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    append_utf8(c, out);
  }
  return out;
}

}  // namespace qm

#include "codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qm {
namespace {

unsigned char byte_at(std::string_view text, std::size_t pos) {
  return static_cast<unsigned char>(text[pos]);
}

bool in(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

std::size_t utf8_length(std::string_view text, std::size_t pos) {
  const unsigned char lead = byte_at(text, pos);
  if (lead < 0x80) return 1;
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (in(lead, 0xC2, 0xDF)) {
    n = 2;
  } else if (in(lead, 0xE0, 0xEF)) {
    n = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (in(lead, 0xF0, 0xF4)) {
    n = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  if (pos + n > text.size() || !in(byte_at(text, pos + 1), lo, hi)) return 1;
  for (std::size_t i = 2; i < n; ++i)
    if (!in(byte_at(text, pos + i), 0x80, 0xBF)) return 1;
  return n;
}

std::size_t shift_jis_length(std::string_view text, std::size_t pos) {
  const unsigned char lead = byte_at(text, pos);
  if (!(in(lead, 0x81, 0x9F) || in(lead, 0xE0, 0xFC)) || pos + 1 >= text.size()) return 1;
  const unsigned char trail = byte_at(text, pos + 1);
  return (in(trail, 0x40, 0x7E) || in(trail, 0x80, 0xFC)) ? 2 : 1;
}

std::size_t euc_jp_length(std::string_view text, std::size_t pos) {
  const unsigned char lead = byte_at(text, pos);
  auto second_ok = [&](std::size_t i, unsigned lo) {
    return i < text.size() && in(byte_at(text, i), lo, 0xFE);
  };
  if (lead == 0x8E) return second_ok(pos + 1, 0xA1) && byte_at(text, pos + 1) <= 0xDF ? 2 : 1;
  if (lead == 0x8F) return second_ok(pos + 1, 0xA1) && second_ok(pos + 2, 0xA1) ? 3 : 1;
  if (in(lead, 0xA1, 0xFE)) return second_ok(pos + 1, 0xA1) ? 2 : 1;
  return 1;
}

std::string normalised(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Runs iconv over `in`; `on_bad` is called with the input position of a sequence that
// does not convert and returns how many input bytes it consumed.
template <class OnBad>
std::string convert(std::string_view in, const char* to, const char* from, OnBad on_bad) {
  iconv_t raw = iconv_open(to, from);
  if (raw == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
  std::unique_ptr<void, IconvCloser> cd(raw);

  std::string out;
  out.resize(in.size() + in.size() / 2 + 16);
  std::size_t used = 0;
  std::size_t pos = 0;
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    std::size_t src_left = in.size() - pos;
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const std::size_t rc = iconv(raw, &src, &src_left, &dst, &dst_left);
    const int err = errno;
    pos = in.size() - src_left;
    used = out.size() - dst_left;
    if (rc != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: the sequence at `pos` has no place in the target.
    std::string replacement;
    pos += on_bad(in, pos, replacement);
    if (used + replacement.size() > out.size()) out.resize((used + replacement.size()) * 2);
    std::copy(replacement.begin(), replacement.end(), out.begin() + used);
    used += replacement.size();
  }
  out.resize(used);
  return out;
}

char32_t decode_utf8(std::string_view s, std::size_t pos, std::size_t len) {
  const unsigned char lead = byte_at(s, pos);
  if (len == 1) return lead;
  char32_t cp = len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
  for (std::size_t i = 1; i < len; ++i) cp = (cp << 6) | (byte_at(s, pos + i) & 0x3F);
  return cp;
}

}  // namespace

CodePage CodePage::from_codeset(std::string_view codeset) {
  const std::string n = normalised(codeset);
  // The plain C locale says ASCII; taking it as UTF-8 keeps every selection intact.
  if (n == "UTF8" || n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" || n.empty())
    return utf8();
  if (n == "SHIFTJIS" || n == "SJIS" || n == "CP932" || n == "WINDOWS31J" || n == "MSKANJI")
    return shift_jis();
  if (n == "EUCJP") return CodePage(Kind::EucJp, "EUC-JP");
  return CodePage(Kind::SingleByte, std::string(codeset));
}

std::size_t CodePage::char_length(std::string_view text, std::size_t pos) const noexcept {
  switch (kind_) {
    case Kind::Utf8: return utf8_length(text, pos);
    case Kind::ShiftJis: return shift_jis_length(text, pos);
    case Kind::EucJp: return euc_jp_length(text, pos);
    case Kind::SingleByte: break;
  }
  return 1;
}

std::string from_utf8(std::string_view utf8, const CodePage& cp) {
  if (cp.is_utf8()) return std::string(utf8);
  return convert(utf8, cp.iconv_name().c_str(), "UTF-8",
                 [](std::string_view in, std::size_t pos, std::string& out) -> std::size_t {
                   const std::size_t len = utf8_length(in, pos);
                   if (len == 1 && byte_at(in, pos) >= 0x80) {
                     out.assign(1, in[pos]);
                     return 1;
                   }
                   char ref[16];
                   std::snprintf(ref, sizeof ref, "&#x%X;",
                                 static_cast<unsigned>(decode_utf8(in, pos, len)));
                   out = ref;
                   return len;
                 });
}

std::string to_utf8(std::string_view text, const CodePage& cp) {
  if (cp.is_utf8()) return std::string(text);
  return convert(text, "UTF-8", cp.iconv_name().c_str(),
                 [](std::string_view in, std::size_t pos, std::string& out) -> std::size_t {
                   out.assign(1, in[pos]);
                   return 1;
                 });
}

}  // namespace qm

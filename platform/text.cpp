#include "text.h"

#include <sys/mman.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "error.h"

namespace qm {
namespace {

char fold(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Calls `on_match(pos)` for each non-overlapping occurrence of `pattern` that starts on a
// character boundary, left to right.
template <class OnMatch>
void for_each_match(std::string_view text, std::string_view pattern, const CodePage& cp,
                    bool icase, OnMatch on_match) {
  if (pattern.empty() || pattern.size() > text.size()) return;
  if (icase) {
    for (std::size_t i = 0; i + pattern.size() <= text.size();) {
      if (equals_icase(text.substr(i, pattern.size()), pattern)) {
        on_match(i);
        i += pattern.size();
      } else {
        i += cp.char_length(text, i);
      }
    }
    return;
  }
  // An ASCII byte never lies inside a UTF-8 character, so such patterns need no stepping.
  const bool every_byte_starts = cp.kind() == CodePage::Kind::SingleByte ||
                                 (cp.is_utf8() && static_cast<unsigned char>(pattern[0]) < 0x80);
  std::size_t boundary = 0;
  std::size_t from = 0;
  for (std::size_t hit; (hit = text.find(pattern, from)) != std::string_view::npos;) {
    if (!every_byte_starts) {
      while (boundary < hit) boundary += cp.char_length(text, boundary);
      if (boundary != hit) {
        from = hit + 1;
        continue;
      }
    }
    on_match(hit);
    from = boundary = hit + pattern.size();
  }
}

std::string replace(std::string_view text, std::string_view pattern, std::string_view with,
                    const CodePage& cp, bool icase) {
  std::size_t count = 0;
  for_each_match(text, pattern, cp, icase, [&](std::size_t) { ++count; });
  if (count == 0) return std::string(text);
  std::string out = string_with_capacity(text.size() - count * pattern.size() + count * with.size());
  std::size_t copied = 0;
  for_each_match(text, pattern, cp, icase, [&](std::size_t pos) {
    out.append(text, copied, pos - copied);
    out.append(with);
    copied = pos + pattern.size();
  });
  out.append(text, copied);
  return out;
}

int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string string_with_capacity(std::size_t capacity) {
  if (capacity >= (1u << 20)) {
    // A little slack and a size class: the next pass over the same text, a few bytes
    // longer, then fits the block this one leaves free, and a small insertion fits here.
    capacity += capacity / 16;
    const std::size_t step = std::bit_floor(capacity) / 8;
    capacity = (capacity + step - 1) / step * step;
  }
  std::string s;
  s.reserve(capacity);
  constexpr std::uintptr_t kHugePage = 2u << 20;
  if (capacity >= 2 * kHugePage) {
    const auto begin = reinterpret_cast<std::uintptr_t>(s.data());
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + capacity) & ~(kHugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
  return s;
}

bool equals_icase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

bool starts_with_icase(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && equals_icase(text.substr(0, prefix.size()), prefix);
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to,
                        const CodePage& cp) {
  return replace(text, from, to, cp, false);
}

std::string replace_all_icase(std::string_view text, std::string_view from, std::string_view to,
                              const CodePage& cp) {
  return replace(text, from, to, cp, true);
}

std::int32_t to_int32(std::string_view text, const CodePage& cp) {
  auto fail = [&]() -> std::int32_t {
    throw Error("'" + to_utf8(text, cp) + "' は整数ではありません");
  };
  std::uint64_t value = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.empty()) return fail();
    for (char c : digits) {
      const int d = hex_value(c);
      if (d < 0) return fail();
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFu) return fail();
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  if (text.empty()) return fail();
  for (char c : text) {
    if (c < '0' || c > '9') return fail();
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 2147483647u) return fail();
  }
  return static_cast<std::int32_t>(value);
}

std::string lf_to_crlf(std::string_view text) {
  std::size_t lone = 0;
  for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(
                                         p, '\n', text.data() + text.size() - p)));
       ++p)
    if (p == text.data() || p[-1] != '\r') ++lone;
  if (lone == 0) return std::string(text);
  std::string out = string_with_capacity(text.size() + lone);
  std::size_t copied = 0;
  for (std::size_t lf; (lf = text.find('\n', copied)) != std::string_view::npos;) {
    out.append(text, copied, lf - copied);
    if (lf == 0 || text[lf - 1] != '\r') out += '\r';
    out += '\n';
    copied = lf + 1;
  }
  out.append(text, copied);
  return out;
}

std::string crlf_to_lf(std::string_view text) {
  return replace_all(text, "\r\n", "\n", CodePage::utf8());
}

bool contains_crlf(std::string_view text) noexcept {
  return text.find("\r\n") != std::string_view::npos;
}

}  // namespace qm

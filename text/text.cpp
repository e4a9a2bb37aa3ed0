#include "text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>

#include "error.h"
#include "system_memory.h"

namespace qm {
namespace {

// Room for `size` bytes in the text's own buffer, its bytes kept: a bigger buffer of the
// size classes of string_with_capacity when it has too little.
void make_room(std::string& text, std::size_t size) {
  if (text.capacity() >= size) return;
  std::string grown = string_with_capacity(size);
  grown.append(text);
  text = std::move(grown);
}

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
  const bool every_hit_starts = cp.never_inside_character(static_cast<unsigned char>(pattern[0]));
  std::size_t boundary = 0;
  std::size_t from = 0;
  for (std::size_t hit; (hit = text.find(pattern, from)) != std::string_view::npos;) {
    if (!every_hit_starts) {
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

// True when no proper prefix of `p` is also its suffix: then the occurrences found from
// the right are the ones found from the left.
bool borderless(std::string_view p) {
  for (std::size_t k = 1; k < p.size(); ++k)
    if (p.substr(0, k) == p.substr(p.size() - k)) return false;
  return true;
}

// The last occurrence of `p` that ends at or before `end`.
std::size_t last_before(std::string_view text, std::size_t end, std::string_view p) {
  const char last = p.back();
  while (end >= p.size()) {
    const char* at = find_last_byte(text.data() + p.size() - 1, last, end - (p.size() - 1));
    if (!at) break;
    const std::size_t stop = static_cast<const char*>(at) - text.data() + 1;
    if (std::memcmp(text.data() + stop - p.size(), p.data(), p.size()) == 0) return stop - p.size();
    end = stop - 1;
  }
  return std::string_view::npos;
}

// Each occurrence copied once with the runs between them in bulk. A replacement no longer
// than the pattern is made in place; a longer one grows the text once and fills it from
// the back when the occurrences can be found from the right alike, so no second text is
// needed; otherwise the result is built anew.
std::string replace(std::string text, std::string_view pattern, std::string_view with, const CodePage& cp,
                    bool icase) {
  std::size_t count = 0;
  for_each_match(text, pattern, cp, icase, [&](std::size_t) { ++count; });
  if (count == 0) return text;
  const std::size_t size = text.size() - count * pattern.size() + count * with.size();
  if (with.size() == pattern.size()) {  // nothing moves
    for_each_match(text, pattern, cp, icase, [&](std::size_t pos) { std::memcpy(&text[pos], with.data(), with.size()); });
    return text;
  }
  if (with.size() < pattern.size()) {
    char* const base = text.data();
    char* w = base;
    std::size_t copied = 0;
    for_each_match(text, pattern, cp, icase, [&](std::size_t pos) {
      std::memmove(w, base + copied, pos - copied);
      w += pos - copied;
      std::memcpy(w, with.data(), with.size());
      w += with.size();
      copied = pos + pattern.size();
    });
    std::memmove(w, base + copied, text.size() - copied);
    text.resize(size);
    return text;
  }
  if (!icase && borderless(pattern) && cp.never_inside_character(static_cast<unsigned char>(pattern[0]))) {
    const std::size_t old = text.size();
    make_room(text, size);
    text.resize(size);
    char* const base = text.data();
    std::size_t end = old, w = size;
    for (std::size_t hit; (hit = last_before(std::string_view(base, old), end, pattern)) != std::string_view::npos;) {
      const std::size_t run = end - (hit + pattern.size());
      w -= run;
      std::memmove(base + w, base + hit + pattern.size(), run);
      w -= with.size();
      std::memcpy(base + w, with.data(), with.size());
      end = hit;
    }
    return text;  // what stands before the first occurrence has not moved
  }
  std::string out = string_with_capacity(size);
  out.resize(size);
  char* w = out.data();
  std::size_t copied = 0;
  for_each_match(text, pattern, cp, icase, [&](std::size_t pos) {
    std::memcpy(w, text.data() + copied, pos - copied);
    w += pos - copied;
    std::memcpy(w, with.data(), with.size());
    w += with.size();
    copied = pos + pattern.size();
  });
  std::memcpy(w, text.data() + copied, text.size() - copied);
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

std::string replace_all(std::string text, std::string_view from, std::string_view to, const CodePage& cp) {
  return replace(std::move(text), from, to, cp, false);
}

std::string replace_all_icase(std::string text, std::string_view from, std::string_view to, const CodePage& cp) {
  return replace(std::move(text), from, to, cp, true);
}

std::optional<std::uint32_t> hex_number(std::string_view digits) noexcept {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = hex_value(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::int32_t to_int32(std::string_view text, const CodePage& cp) {
  auto fail = [&]() -> std::int32_t {
    throw Error("'" + to_utf8(text, cp) + "' は整数ではありません");
  };
  std::uint64_t value = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::optional<std::uint32_t> hex = hex_number(text.substr(2));
    if (!hex) return fail();
    return static_cast<std::int32_t>(*hex);
  }
  if (text.empty()) return fail();
  for (char c : text) {
    if (c < '0' || c > '9') return fail();
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 2147483647u) return fail();
  }
  return static_cast<std::int32_t>(value);
}

namespace {

// Sixteen bytes at a time in the compiler's generic vectors, which become the SIMD of any
// target: byte by byte, the passes over a large text doubled the worker's time.
using Block = unsigned char __attribute__((vector_size(16)));

Block load_block(const char* p) noexcept {
  Block b;
  std::memcpy(&b, p, sizeof b);
  return b;
}

void store_block(char* p, Block b) noexcept { std::memcpy(p, &b, sizeof b); }

// 0xFF in each lane that holds `c`, 0 elsewhere.
Block lanes_of(Block b, char c) noexcept { return reinterpret_cast<Block>(b == static_cast<unsigned char>(c)); }

bool any_lane(Block lanes) noexcept {
  std::uint64_t halves[2];
  std::memcpy(halves, &lanes, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// A block of 0 and 0xFF lanes as sixteen bits, lane i in bit i: each half's top bits
// gathered into its top byte by one multiplication (no two products meet, so none carries).
std::uint32_t lane_bits(Block lanes) noexcept {
  std::uint64_t halves[2];
  std::memcpy(halves, &lanes, sizeof halves);
  std::uint32_t bits = 0;
  for (int h = 0; h < 2; ++h) {
    std::uint64_t w = halves[h];
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    bits |= static_cast<std::uint32_t>(((w & 0x8080808080808080u) * 0x0002040810204081u) >> 56) << (8 * h);
  }
  return bits;
}

std::size_t lanes_sum(Block counts) noexcept {
  std::size_t sum = 0;
  for (int lane = 0; lane < 16; ++lane) sum += counts[lane];
  return sum;
}

// CR and LF never stand inside a character of any code page the programs know (no trail
// byte of Shift-JIS or EUC-JP is below 0x40, no byte of a UTF-8 sequence below 0x80), so the
// line-break passes scan bytes alone, a block at a time; a unit test checks every code page
// for it.

// Lays out `lead` bytes, the text grown by `extra` bytes, and `tail`, filling the text from
// its back: `at_lf(base, r, w)` is called for each LF (at base[r], already copied to
// base[w]) and writes what goes before it below w, returning the new r and w. Each byte moves
// once; blocks without LF move whole, and once nothing more is to be inserted, all that is
// left moves in one piece. The caller writes the lead.
template <class AtLf>
std::string grow_from_back(std::string text, std::size_t lead, std::size_t extra, std::string_view tail, AtLf at_lf) {
  const std::size_t old = text.size(), size = lead + old + extra + tail.size();
  make_room(text, size);
  text.resize(size);
  char* const base = text.data();
  std::memcpy(base + size - tail.size(), tail.data(), tail.size());
  std::size_t r = old, w = old + lead + extra;
  // Sixty-four bytes at a time, so that a branch on the number of lines is taken per chunk
  // of four blocks rather than per block.
  while (w - r != lead && r >= 64) {
    const std::size_t start = r - 64;
    const Block b0 = load_block(base + start), b1 = load_block(base + start + 16), b2 = load_block(base + start + 32),
                b3 = load_block(base + start + 48);
    const Block l0 = lanes_of(b0, '\n'), l1 = lanes_of(b1, '\n'), l2 = lanes_of(b2, '\n'), l3 = lanes_of(b3, '\n');
    if (!any_lane(l0 | l1 | l2 | l3)) {
      store_block(base + w - 16, b3);
      store_block(base + w - 32, b2);
      store_block(base + w - 48, b1);
      store_block(base + w - 64, b0);
      r = start;
      w -= 64;
      continue;
    }
    std::uint64_t lfs = std::uint64_t{lane_bits(l0)} | std::uint64_t{lane_bits(l1)} << 16 |
                        std::uint64_t{lane_bits(l2)} << 32 | std::uint64_t{lane_bits(l3)} << 48;
    // The run after each LF of the chunk moves whole, the last LF first.
    while (lfs != 0 && w - r != lead) {
      const std::size_t lf = start + 63 - static_cast<std::size_t>(std::countl_zero(lfs));
      const std::size_t run = r - lf;  // the LF and what follows it
      if (run <= 32 && r >= 32 && w >= lf + 32) {
        // A short line moves as two blocks, loaded before either is stored; what they put
        // below the run is free room that the rest fills later, and no byte still to be read.
        const Block high = load_block(base + r - 16), low = load_block(base + r - 32);
        store_block(base + w - 16, high);
        store_block(base + w - 32, low);
        w -= run;
      } else {
        w -= run;
        std::memmove(base + w, base + lf, run);
      }
      std::tie(r, w) = at_lf(base, lf, w);
      lfs &= r > start ? (std::uint64_t{1} << (r - start)) - 1 : 0;
    }
    if (w - r != lead && r > start) {  // what stands before the chunk's first LF
      const std::size_t run = r - start;
      w -= run;
      std::memmove(base + w, base + start, run);
      r = start;
    }
  }
  while (w - r != lead && r > 0) {
    const char c = base[--r];
    base[--w] = c;
    if (c == '\n') std::tie(r, w) = at_lf(base, r, w);
  }
  if (lead != 0 && r != 0) std::memmove(base + lead, base, r);
  return text;
}

// The number of LFs in the text, and how many of them have a CR before them.
struct LfCount {
  std::size_t lf = 0, after_cr = 0;
};

// A block at a time: subtracting a comparison's 0xFF counts one in each byte lane, up to 255
// blocks before the lanes are added up.
LfCount count_lf(std::string_view text) noexcept {
  LfCount n;
  if (text.empty()) return n;
  const char* p = text.data();
  const char* const end = p + text.size();
  n.lf += *p++ == '\n';  // the first byte has no CR before it
  while (end - p >= 16) {
    Block lfs{}, after_cr{};
    for (std::ptrdiff_t blocks = std::min<std::ptrdiff_t>((end - p) / 16, 255); blocks > 0; --blocks, p += 16) {
      const Block is_lf = lanes_of(load_block(p), '\n');
      lfs -= is_lf;
      after_cr -= is_lf & lanes_of(load_block(p - 1), '\r');
    }
    n.lf += lanes_sum(lfs);
    n.after_cr += lanes_sum(after_cr);
  }
  for (; p < end; ++p) {
    if (*p == '\n') {
      ++n.lf;
      n.after_cr += p[-1] == '\r';
    }
  }
  return n;
}

}  // namespace

namespace {

// A CR before each LF: every one, or only those without a CR before them already.
std::string insert_cr(std::string text, bool every_lf) {
  const LfCount count = count_lf(text);
  const std::size_t n = every_lf ? count.lf : count.lf - count.after_cr;
  if (n == 0) return text;
  return grow_from_back(std::move(text), 0, n, "", [every_lf](char* base, std::size_t r, std::size_t w) {
    if (every_lf || r == 0 || base[r - 1] != '\r') base[--w] = '\r';
    return std::pair{r, w};
  });
}

// True when every LF of a text of the programs is part of a CR LF: the text then joins one of
// lone LFs as crlf_to_lf gives it.
bool joins_lf_form(std::string_view piece) noexcept {
  for (std::size_t lf = piece.find('\n'); lf != std::string_view::npos; lf = piece.find('\n', lf + 1))
    if (lf == 0 || piece[lf - 1] != '\r') return false;
  return true;
}

// The text's own line break, as its bytes hold it.
std::string_view line_break_of(const Text& text) noexcept { return text.lf_breaks ? "\n" : "\r\n"; }

}  // namespace

std::string lf_to_crlf(std::string text) { return insert_cr(std::move(text), false); }

std::size_t crlf_size(const Text& text) noexcept {
  return text.bytes.size() + (text.lf_breaks ? count_lf(text.bytes).lf : 0);
}

std::string crlf_bytes(Text text) {
  return text.lf_breaks ? insert_cr(std::move(text.bytes), true) : std::move(text.bytes);
}

Text replace_line_breaks(Text text, std::string_view with, bool first_only) {
  const std::string_view br = line_break_of(text);
  if (first_only) {
    const std::size_t at = text.bytes.find(br);
    if (at != std::string::npos) text.bytes.replace(at, br.size(), with);
    return text;
  }
  // CR and LF never stand inside a character, so any code page finds the same breaks.
  text.bytes = replace_all(std::move(text.bytes), br, with, CodePage::utf8());
  return text;
}

Text mark_first_line_break(Text text, std::string_view insert) {
  const std::size_t at = text.bytes.find(line_break_of(text));
  if (at != std::string::npos) text.bytes.insert(at, insert);
  return text;
}

Text frame_and_mark(Text text, std::string_view head, std::string_view insert, std::string_view tail) {
  // A text of lone LFs keeps its form where the pieces can take it: their CR LFs become LFs.
  // A piece with a lone LF of its own (no line break) cannot: the text takes the CR LF form.
  std::string lf_pieces[3];
  if (text.lf_breaks) {
    if (joins_lf_form(head) && joins_lf_form(insert) && joins_lf_form(tail)) {
      std::string_view* pieces[] = {&head, &insert, &tail};
      for (int i = 0; i < 3; ++i) {
        if (pieces[i]->find('\n') == std::string_view::npos) continue;
        lf_pieces[i] = crlf_to_lf(std::string(*pieces[i]));
        *pieces[i] = lf_pieces[i];
      }
    } else {
      text = Text(crlf_bytes(std::move(text)));
    }
  }
  const bool lf_breaks = text.lf_breaks;
  std::string& bytes = text.bytes;
  const LfCount count = insert.empty() ? LfCount{} : count_lf(bytes);
  const std::size_t n = lf_breaks ? count.lf : count.after_cr;
  if (n == 0 && head.empty() && tail.empty()) return text;
  if (n == 0 && bytes.capacity() < head.size() + bytes.size() + tail.size()) {
    // Nothing to insert and no room: the frame and the text go once into a buffer of their size.
    std::string out = string_with_capacity(head.size() + bytes.size() + tail.size());
    out.append(head).append(bytes).append(tail);
    return Text(std::move(out), lf_breaks);
  }
  const std::size_t size = insert.size();
  if (lf_breaks) {
    // A short insertion is stored as one block that ends with it, where the room below it is
    // free: a line of a few bytes then costs no call.
    char block[16] = {};
    if (size <= 16) std::memcpy(block + 16 - size, insert.data(), size);
    const Block insert_block = load_block(block);
    bytes = grow_from_back(std::move(bytes), head.size(), n * size, tail,
                           [insert, insert_block](char* base, std::size_t r, std::size_t w) {
                             if (insert.size() <= 16 && w >= r + 16) {
                               store_block(base + w - 16, insert_block);
                               return std::pair{r, w - insert.size()};
                             }
                             w -= insert.size();
                             std::memcpy(base + w, insert.data(), insert.size());
                             return std::pair{r, w};
                           });
  } else {
    bytes = grow_from_back(std::move(bytes), head.size(), n * size, tail,
                           [insert](char* base, std::size_t r, std::size_t w) {
                             if (r > 0 && base[r - 1] == '\r') {
                               base[--w] = '\r';
                               --r;
                               w -= insert.size();
                               std::memcpy(base + w, insert.data(), insert.size());
                             }
                             return std::pair{r, w};
                           });
  }
  std::memcpy(bytes.data(), head.data(), head.size());
  return text;
}

std::string crlf_to_lf(std::string text) {
  // In place: only CRs are dropped, so each byte moves to the left once.
  char* const base = text.data();
  const std::size_t n = text.size();
  // The next CR that an LF follows, at or after `from`; n when there is none.
  auto next_crlf = [&](std::size_t from) {
    for (; from + 17 <= n; from += 16) {
      const Block crlf = lanes_of(load_block(base + from), '\r') & lanes_of(load_block(base + from + 1), '\n');
      if (any_lane(crlf)) return from + static_cast<std::size_t>(std::countr_zero(lane_bits(crlf)));
    }
    for (; from + 1 < n; ++from)
      if (base[from] == '\r' && base[from + 1] == '\n') return from;
    return n;
  };
  std::size_t r = next_crlf(0);
  if (r == n) return text;
  std::size_t w = r;
  while (r < n) {
    ++r;  // the CR goes, its LF stays
    const std::size_t end = next_crlf(r + 1);
    const std::size_t run = end - r;
    if (r - w >= 16 && end + 16 <= n) {
      // Whole blocks, each loaded before it is stored: as the text has shrunk by sixteen
      // bytes or more, a store reaches no byte that is still to be read.
      for (std::size_t k = 0; k < run; k += 16) store_block(base + w + k, load_block(base + r + k));
    } else {
      std::memmove(base + w, base + r, run);
    }
    w += run;
    r = end;
  }
  text.resize(w);
  return text;
}

bool contains_crlf(std::string_view text) noexcept {
  return text.find("\r\n") != std::string_view::npos;
}

namespace {

constexpr std::string_view html_escape_of(char c) noexcept {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return {};
  }
}

// The bytes that escaping adds, by byte value.
constexpr auto kEscapeGrowth = [] {
  std::array<unsigned char, 256> growth{};
  for (const char c : {'&', '<', '>', '"'}) growth[static_cast<unsigned char>(c)] = html_escape_of(c).size() - 1;
  return growth;
}();

// Each byte's growth, in its lane ("<" and ">" differ in one bit only).
Block block_growth(Block b) noexcept {
  return (reinterpret_cast<Block>(b == '&') & 4) | (reinterpret_cast<Block>((b | 2) == '>') & 3) |
         (reinterpret_cast<Block>(b == '"') & 5);
}

bool block_has_markup(Block b) noexcept { return any_lane(block_growth(b)); }

std::size_t escape_growth(std::string_view text) noexcept {
  std::size_t growth = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (end - p >= 16) {
    // A lane gains at most 5 a block: 51 blocks before it could overflow.
    Block sum{};
    for (std::ptrdiff_t blocks = std::min<std::ptrdiff_t>((end - p) / 16, 51); blocks > 0; --blocks, p += 16)
      sum += block_growth(load_block(p));
    for (int lane = 0; lane < 16; ++lane) growth += sum[lane];
  }
  for (; p < end; ++p) growth += kEscapeGrowth[static_cast<unsigned char>(*p)];
  return growth;
}

// True when the "&" at `pos` starts one of `references`; `k` walks the offsets from the back,
// as `pos` does.
bool starts_reference(std::span<const std::size_t> references, std::size_t& k, std::size_t pos) noexcept {
  while (k > 0 && references[k - 1] > pos) --k;
  return k > 0 && references[k - 1] == pos;
}

}  // namespace

std::string escape_html(std::string text, std::span<const std::size_t> references) {
  std::size_t growth = escape_growth(text);
  if (growth == 0) return text;
  for (std::size_t k = references.size(), pos = k == 0 ? 0 : text.size(); pos-- > 0;)
    if (text[pos] == '&' && starts_reference(references, k, pos)) growth -= kEscapeGrowth['&'];
  if (growth == 0) return text;
  const std::size_t old = text.size();
  make_room(text, old + growth);
  text.resize(old + growth);
  // From the back, each byte moved once; once the write position meets the read position,
  // all that stands before is in place already.
  char* const base = text.data();
  std::size_t r = old, w = old + growth, k = references.size();
  while (w != r && r != 0) {
    if (r >= 16 && !block_has_markup(load_block(base + r - 16))) {  // moves whole
      r -= 16;
      w -= 16;
      std::memmove(base + w, base + r, 16);
      continue;
    }
    const char c = base[--r];
    const std::string_view escaped = html_escape_of(c);
    if (escaped.empty() || (c == '&' && starts_reference(references, k, r))) {
      base[--w] = c;
      continue;
    }
    w -= escaped.size();
    std::memcpy(base + w, escaped.data(), escaped.size());
  }
  return text;
}

}  // namespace qm

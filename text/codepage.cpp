#include "codepage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "single_byte_table.h"
#include "text.h"

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

char32_t decode_utf8(std::string_view s, std::size_t pos, std::size_t len) {
  const unsigned char lead = byte_at(s, pos);
  if (len == 1) return lead;
  char32_t cp = len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
  for (std::size_t i = 1; i < len; ++i) cp = (cp << 6) | (byte_at(s, pos + i) & 0x3F);
  return cp;
}

constexpr char32_t kNone = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;

#include "codepage_tables.inc"

void append_reference(char32_t c, std::string& out) {
  char ref[16];
  std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(c));
  out += ref;
}

// Copies the ASCII bytes from `pos` on, which every code page here keeps as they are;
// false when there is none.
bool copy_ascii_run(std::string_view s, std::size_t& pos, std::string& out) {
  std::size_t end = pos;
  while (end < s.size() && byte_at(s, end) < 0x80) ++end;
  if (end == pos) return false;
  out.append(s, pos, end - pos);
  pos = end;
  return true;
}

struct Decoded {
  char32_t c;       // kNone: the bytes form no character
  std::size_t len;  // bytes taken, at least 1
};

// One code page as tables: every code to its character, and back for the characters whose
// code gives them back. A character that only one way leads to (CP932's 0x8160 is the
// character of U+FF5E, yet iconv writes U+301C as 0x8160 too) has no code here, so it
// becomes a reference instead of silently turning into another.
class CodeTables {
 public:
  bool ascii_identity = true;

  virtual ~CodeTables() = default;
  virtual Decoded decode(std::string_view s, std::size_t pos) const = 0;

  bool encode(char32_t c, std::string& out) const {
    if (c >= codes_.size() || codes_[c] == 0) return false;
    const std::uint32_t code = codes_[c];
    const unsigned len = code >> 24;
    for (unsigned i = len; i-- > 0;) out += static_cast<char>((code >> (8 * i)) & 0xFF);
    return true;
  }

 protected:
  // Codes are given in order of preference: the first code of a character is the one written.
  void add(char32_t c, std::uint32_t bytes, unsigned len) {
    if (c == kNone || c >= codes_.size() || codes_[c] != 0) return;
    codes_[c] = bytes | (len << 24);
  }
  void add_singles(const std::uint16_t* single) {
    for (unsigned b = 0; b < 256; ++b)
      if (single[b] != 0 || b == 0) add(single[b], b, 1);
    for (unsigned b = 0; b < 0x80; ++b)
      if (single[b] != b) ascii_identity = false;
  }

 private:
  std::vector<std::uint32_t> codes_ = std::vector<std::uint32_t>(0x10000, 0);  // 0: no code
};

char32_t single_char(const std::uint16_t* single, unsigned char b) {
  return (single[b] != 0 || b == 0) ? single[b] : kNone;
}

class Cp932Tables : public CodeTables {
 public:
  Cp932Tables() {
    add_singles(kCp932Single);
    // Where CP932 has two codes for one character, Windows writes the first, except that
    // the NEC-selected IBM rows 0xED and 0xEE give way to IBM's own rows 0xFA to 0xFC.
    auto add_lead = [this](unsigned lead) {
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
        if (const char32_t c = kCp932Double[lead - 0x81][trail - 0x40]) add(c, lead << 8 | trail, 2);
    };
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
      if (lead != 0xED && lead != 0xEE) add_lead(lead);
    add_lead(0xED);
    add_lead(0xEE);
  }
  Decoded decode(std::string_view s, std::size_t pos) const override {
    const unsigned char lead = byte_at(s, pos);
    if (shift_jis_length(s, pos) == 2)
      if (const char32_t c = kCp932Double[lead - 0x81][byte_at(s, pos + 1) - 0x40]) return {c, 2};
    return {single_char(kCp932Single, lead), 1};
  }
};

class EucJpTables : public CodeTables {
 public:
  EucJpTables() {
    add_singles(kEucJpSingle);
    for (unsigned a = 0; a < 94; ++a)
      for (unsigned b = 0; b < 94; ++b)
        if (kEucJpDouble[a][b]) add(kEucJpDouble[a][b], (0xA1 + a) << 8 | (0xA1 + b), 2);
    for (unsigned k = 0xA1; k <= 0xDF; ++k) add(kHalfWidthKana + (k - 0xA1), 0x8E00 | k, 2);
    for (unsigned a = 0; a < 94; ++a)
      for (unsigned b = 0; b < 94; ++b)
        if (kEucJpTriple[a][b]) add(kEucJpTriple[a][b], 0x8F0000 | (0xA1 + a) << 8 | (0xA1 + b), 3);
  }
  Decoded decode(std::string_view s, std::size_t pos) const override {
    const unsigned char lead = byte_at(s, pos);
    const std::size_t len = euc_jp_length(s, pos);
    if (len == 2 && lead == 0x8E) return {kHalfWidthKana + (byte_at(s, pos + 1) - 0xA1), 2};
    if (len == 2)
      if (const char32_t c = kEucJpDouble[lead - 0xA1][byte_at(s, pos + 1) - 0xA1]) return {c, 2};
    if (len == 3)
      if (const char32_t c = kEucJpTriple[byte_at(s, pos + 1) - 0xA1][byte_at(s, pos + 2) - 0xA1]) return {c, 3};
    return {single_char(kEucJpSingle, lead), 1};
  }

 private:
  static constexpr char32_t kHalfWidthKana = 0xFF61;  // 0x8E 0xA1 is "｡"
};

class SingleByteTables : public CodeTables {
 public:
  explicit SingleByteTables(const std::string& codeset) : single_(single_byte_table(codeset)) {
    add_singles(single_.data());
  }
  Decoded decode(std::string_view s, std::size_t pos) const override {
    return {single_char(single_.data(), byte_at(s, pos)), 1};
  }

 private:
  std::array<std::uint16_t, 256> single_;
};

// Built at the first conversion of a run, which is one code page in practice.
const CodeTables& tables(const CodePage& cp) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<const CodeTables>> built;
  const std::lock_guard<std::mutex> hold(lock);
  std::unique_ptr<const CodeTables>& t = built[cp.iconv_name()];
  if (!t) {
    switch (cp.kind()) {
      case CodePage::Kind::ShiftJis: t = std::make_unique<Cp932Tables>(); break;
      case CodePage::Kind::EucJp: t = std::make_unique<EucJpTables>(); break;
      case CodePage::Kind::Utf8:
      case CodePage::Kind::SingleByte: t = std::make_unique<SingleByteTables>(cp.iconv_name()); break;
    }
  }
  return *t;
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

CodePage CodePage::from_windows(unsigned code_page) {
  switch (code_page) {
    case 65001: return utf8();
    case 932: return shift_jis();
    case 20932:
    case 51932: return CodePage(Kind::EucJp, "EUC-JP");
  }
  // The single-byte pages go by the name that both iconv and the Win32 table know.
  return CodePage(Kind::SingleByte, "CP" + std::to_string(code_page));
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

void append_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool CodePage::never_inside_character(unsigned char byte) const noexcept {
  switch (kind_) {
    case Kind::Utf8:
    case Kind::EucJp: return byte < 0x80;
    case Kind::ShiftJis: return byte < 0x40;
    case Kind::SingleByte: break;
  }
  return true;
}

std::string latin1_to_utf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() + latin1.size() / 8);
  for (const unsigned char b : latin1) append_utf8(b, out);
  return out;
}

std::string from_utf8(std::string_view utf8, const CodePage& cp, std::vector<std::size_t>* references) {
  if (cp.is_utf8()) return std::string(utf8);
  const CodeTables& t = tables(cp);
  std::string out = string_with_capacity(utf8.size() + 16);
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (t.ascii_identity && copy_ascii_run(utf8, pos, out)) continue;
    // A byte that is no part of a UTF-8 character is no character of any code page either.
    const std::size_t len = utf8_length(utf8, pos);
    const char32_t c = (len == 1 && byte_at(utf8, pos) >= 0x80) ? kReplacement : decode_utf8(utf8, pos, len);
    pos += len;
    if (t.encode(c, out)) continue;
    if (references) references->push_back(out.size());
    append_reference(c, out);
  }
  return out;
}

std::string to_utf8(std::string_view text, const CodePage& cp) {
  if (cp.is_utf8()) return std::string(text);
  const CodeTables& t = tables(cp);
  std::string out = string_with_capacity(text.size() + text.size() / 2 + 16);
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (t.ascii_identity && copy_ascii_run(text, pos, out)) continue;
    // A byte that starts no character of the code page is replaced, never passed on raw:
    // the desktop would read it as part of some other character.
    const auto [c, len] = t.decode(text, pos);
    append_utf8(c == kNone ? kReplacement : c, out);
    pos += len;
  }
  return out;
}

}  // namespace qm

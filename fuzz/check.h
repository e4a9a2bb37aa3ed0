#pragma once
// What every fuzz target shares: a property that fails aborts the run with the reason, so
// libFuzzer keeps the input that showed it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"

namespace qm::fuzz {

#define QM_FUZZ_CHECK(cond)                                                      \
  do {                                                                           \
    if (!(cond)) {                                                               \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                              \
    }                                                                            \
  } while (0)

// The code page a run is tried under, chosen by the input's first byte.
inline CodePage code_page_for(unsigned char selector) {
  return (selector & 1) ? CodePage::shift_jis() : CodePage::utf8();
}

// Bytes 1 to 32 and the double quote are what both splitters treat specially; a "simple"
// argument holds none of them (and no NUL).
inline bool is_plain_byte(unsigned char b) { return b > 32 && b != '"'; }

// The input's NUL-separated pieces, cleaned to plain bytes: the arguments a launcher passed.
inline std::vector<std::string> plain_pieces(std::string_view line) {
  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == '\0') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else if (is_plain_byte(static_cast<unsigned char>(line[i]))) {
      piece += line[i];
    }
  }
  return pieces;
}

// Page text back from its escaped form: the four entities that escaping writes, and nothing
// else (a reference of the code page stays as it is).
inline std::string unescaped_html(std::string_view html) {
  std::string out;
  for (std::size_t i = 0; i < html.size();) {
    bool replaced = false;
    for (const auto& [entity, c] : {std::pair{std::string_view("&amp;"), '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}}) {
      if (html.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += html[i++];
  }
  return out;
}

inline std::string joined(const std::vector<std::string>& args) {
  std::string line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) line += ' ';
    line += args[i];
  }
  return line;
}

}  // namespace qm::fuzz

// The clipboard's edge conversions: UTF-8 to the code page and back, LF to CR LF and back.
// Properties: a text whose line breaks are all LF, or all CR LF, crosses the edge both ways
// unchanged; with UTF-8 nothing else changes, and under Shift-JIS a text of characters the
// code page holds round-trips too; a character it lacks becomes a numeric reference; and
// whatever the bytes, what reaches the desktop from a code page is valid UTF-8.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>

#include "check.h"
#include "clipboard.h"
#include "text.h"

using namespace qm;
using namespace qm::fuzz;

namespace {

// A UTF-8 text made of characters that Shift-JIS holds one to one: ASCII without "&",
// hiragana and katakana; and of characters it lacks, when `foreign` is set.
std::string selection(FuzzedDataProvider& in, bool foreign, std::string& expected_sjis_refs) {
  std::string out;
  while (in.remaining_bytes() > 0) {
    const unsigned char pick = in.ConsumeIntegral<unsigned char>();
    if (pick < 0x80) {
      if (pick != '&') out += static_cast<char>(pick);
    } else if (pick < 0xC0) {
      append_utf8(0x3041 + (pick - 0x80), out);  // ぁ to ゠ and on: hiragana
    } else if (pick < 0xF0) {
      append_utf8(0x30A1 + (pick - 0xC0), out);  // katakana
    } else if (foreign) {
      const char32_t c = 0x1F600 + (pick - 0xF0);  // emoji
      append_utf8(c, out);
      char ref[16];
      std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(c));
      expected_sjis_refs += ref;
    }
  }
  return out;
}

bool valid_utf8(std::string_view text) {
  const CodePage utf8 = CodePage::utf8();
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = utf8.char_length(text, i);
    if (len == 1 && static_cast<unsigned char>(text[i]) >= 0x80) return false;
    i += len;
  }
  return true;
}

bool has_lone_lf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const unsigned char mode = in.ConsumeIntegral<unsigned char>();

  if (mode % 3 == 0) {
    // Any bytes through the UTF-8 edge.
    const std::string desktop = in.ConsumeRemainingBytesAsString();
    const std::string crlf = lf_to_crlf(desktop);
    QM_FUZZ_CHECK(!has_lone_lf(crlf));
    QM_FUZZ_CHECK(crlf_to_lf(crlf).size() <= crlf.size());
    ClipboardTextEdge edge(CodePage::utf8());
    const std::string text = crlf_bytes(edge.from_desktop(desktop).text);
    QM_FUZZ_CHECK(text == crlf);
    if (!contains_crlf(desktop) || !has_lone_lf(desktop)) QM_FUZZ_CHECK(edge.to_desktop(text) == desktop);
    // Any bytes in a code page reach the desktop as valid UTF-8, and come back without a fault.
    for (const CodePage& cp : {CodePage::shift_jis(), CodePage::from_codeset("EUC-JP")}) {
      const std::string utf8 = to_utf8(desktop, cp);
      QM_FUZZ_CHECK(valid_utf8(utf8));
      QM_FUZZ_CHECK(valid_utf8(to_utf8(from_utf8(desktop, cp), cp)));
    }
    return 0;
  }

  std::string refs;
  const bool foreign = mode % 3 == 2;
  const std::string desktop = selection(in, foreign, refs);
  ClipboardTextEdge edge(CodePage::shift_jis());
  const std::string text = crlf_bytes(edge.from_desktop(desktop).text);
  QM_FUZZ_CHECK(!has_lone_lf(text));
  if (!foreign) {
    if (!contains_crlf(desktop) || !has_lone_lf(desktop)) QM_FUZZ_CHECK(edge.to_desktop(text) == desktop);
  } else {
    // Only the references stand where the characters were: collect them back in order.
    std::string seen;
    for (std::size_t at = 0; (at = text.find("&#x", at)) != std::string::npos;) {
      const std::size_t end = text.find(';', at);
      QM_FUZZ_CHECK(end != std::string::npos);
      seen += text.substr(at, end + 1 - at);
      at = end + 1;
    }
    QM_FUZZ_CHECK(seen == refs);
  }
  return 0;
}

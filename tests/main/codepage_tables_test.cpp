// The code-page tables against the system's own conversion: iconv on Linux, the Win32
// conversion on Windows, so both builds are seen to give the same bytes.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "codepage.h"
#include "system_codepage.h"

namespace qm {
namespace {

const CodePage kSjis = CodePage::shift_jis();
const CodePage kEuc = CodePage::from_codeset("EUC-JP");

std::string utf8_of(char32_t c) {
  std::string out;
  append_utf8(c, out);
  return out;
}

class Tables : public ::testing::TestWithParam<CodePage> {
 protected:
  void SetUp() override {
    if (!system_has_code_page(GetParam())) GTEST_SKIP() << GetParam().iconv_name() << " is not installed";
  }
};
INSTANTIATE_TEST_SUITE_P(, Tables, ::testing::Values(kSjis, kEuc),
                         [](const auto& info) { return info.param == kSjis ? "ShiftJis" : "EucJp"; });

// Every character of the basic plane: it either crosses to the code page and back unchanged,
// in the very bytes the system writes for it, or it becomes a reference, and then the
// system has no code for it that reads back as itself.
TEST_P(Tables, EveryCharacterRoundTripsOrBecomesAReference) {
  const CodePage& cp = GetParam();
  int held = 0, referenced = 0, mismatches = 0;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    const std::string utf8 = utf8_of(c);
    const std::string text = from_utf8(utf8, cp);
    char ref[16];
    std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(c));
    const std::optional<std::string> sys = system_from_utf8(utf8, cp);
    bool ok;
    if (text == ref && c != '&') {
      ++referenced;
      ok = !sys || system_to_utf8(*sys, cp) != utf8;
    } else {
      ++held;
      ok = to_utf8(text, cp) == utf8 && sys == text;
    }
    if (!ok && ++mismatches <= 10) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(held, 7000);  // every kanji, kana and symbol of JIS X 0208 at least
  EXPECT_GT(referenced, 40000);
}

// Every code of one to three bytes reads as the system reads it, and with a U+FFFD in
// place of what the system finds no character in.
TEST_P(Tables, EveryCodeReadsAsTheCLibraryReadsIt) {
  const CodePage& cp = GetParam();
  int mismatches = 0;
  auto check = [&](const std::string& code) {
    const std::optional<std::string> sys = system_to_utf8(code, cp);
    const std::string ours = to_utf8(code, cp);
    if (sys ? ours == *sys : ours.find("\uFFFD") != std::string::npos) return;
    if (++mismatches <= 10) ADD_FAILURE() << ::testing::PrintToString(code) << " reads as " << ours;
  };
  for (unsigned a = 1; a < 256; ++a) {
    check(std::string(1, static_cast<char>(a)));
    for (unsigned b = 0x21; b < 256; ++b) check({static_cast<char>(a), static_cast<char>(b)});
  }
  for (unsigned b = 0xA1; b < 0xFF; ++b)
    for (unsigned c = 0xA1; c < 0xFF; ++c) check({'\x8F', static_cast<char>(b), static_cast<char>(c)});
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace qm

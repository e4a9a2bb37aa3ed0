// The page title from the foreground window's caption.

#include <gtest/gtest.h>

#include "codepage.h"
#include "title.h"

namespace qm::lite {
namespace {

TEST(TitleFromCaption, Table) {
  struct Case {
    std::string caption;
    std::optional<std::string> want;
  } cases[] = {
      {"Page - Opera", "Page"},
      {"A - B - Opera", "A - B"},  // only the last separator counts
      {"a - - b", "a -"},          // overlapping: the last starts at the middle blank
      {"x - - - y", "x - -"},
      {" - Opera", ""},            // separator first
      {" - ", ""},
      {"2004-05-01", std::nullopt},
      {"a -b", std::nullopt},
      {"a- b", std::nullopt},
      {"ab", std::nullopt},
      {"", std::nullopt},
      {"Page - ", "Page"},
  };
  for (const Case& c : cases) EXPECT_EQ(TitleFromCaption(c.caption), c.want) << c.caption;
}

class CaptureTitleTest : public ::testing::TestWithParam<CodePage> {};

TEST_P(CaptureTitleTest, CaptionsInTheCodePage) {
  const CodePage cp = GetParam();
  const Box no_title{"Quotemill_clip", "エラー!!タイトルがうまく取得できません", BoxIcon::None};
  const std::string long_start(1500 - 12, 'a');
  struct Case {
    std::string caption;  // UTF-8, as the desktop gives it
    std::string want;     // UTF-8
    bool message;
  } cases[] = {
      {"テストページ - Chromium", "テストページ", false},
      {"見出し - 日記 - Opera", "見出し - 日記", false},
      {" - Opera", "", false},
      {"ab", "", true},
      {"", "", true},
      {"2004-05-01", "", true},
      {long_start + " - Opera tail", "", true},             // the separator lies after byte 1023
      {std::string(1020, 'b') + " - x", std::string(1020, 'b'), false},  // it ends at byte 1023
      {std::string(1021, 'b') + " - x", "", true},          // cut inside the separator
      {std::string("a - b\0 - c", 10), "a", false},          // the text ends at its first NUL
      // The title goes into HTML: it is escaped, and a reference of the code page stays one.
      {"Breaking\" onmouseover=\"x()\" - Opera", "Breaking&quot; onmouseover=&quot;x()&quot;", false},
      {"A&B <i>〜</i> - Opera", "A&amp;B &lt;i&gt;〜&lt;/i&gt;", false},
      {"x&y - " + std::string(1012, 'b') + "😀 - z", "x&amp;y", false},  // a reference cut at the limit
  };
  for (const Case& c : cases) {
    FixedForegroundWindow window(c.caption);
    RecordedBoxes boxes;
    EXPECT_EQ(CaptureTitle(window, cp, boxes), from_utf8(c.want, cp)) << c.caption.substr(0, 40);
    EXPECT_EQ(window.reads, 1);
    EXPECT_EQ(boxes.shown, c.message ? std::vector<Box>{no_title} : std::vector<Box>{}) << c.caption.substr(0, 40);
  }
}

TEST_P(CaptureTitleTest, ReadLimitCountsBytesOfTheCodePage) {
  const CodePage cp = GetParam();
  // 400 kana: 1200 bytes in UTF-8, 800 in Shift-JIS; the separator after them is seen only
  // when the caption in the code page stays within 1023 bytes.
  std::string kana;
  for (int i = 0; i < 400; ++i) kana += "あ";
  FixedForegroundWindow window(kana + " - Opera");
  RecordedBoxes boxes;
  const std::string got = CaptureTitle(window, cp, boxes);
  if (cp.is_utf8()) {
    EXPECT_EQ(got, "");
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(ReadWindowText(window, cp).size(), 1023u);
  } else {
    EXPECT_EQ(got, from_utf8(kana, cp));
    EXPECT_TRUE(boxes.shown.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, CaptureTitleTest, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

}  // namespace
}  // namespace qm::lite

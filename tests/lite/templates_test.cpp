// Template choice, user template files and placeholder expansion.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "codepage.h"
#include "messages.h"
#include "templates.h"

namespace qm::lite {
namespace {

const std::string kLink = kLinkTemplate, kInline = kInlineQuoteTemplate, kBlock = kBlockQuoteTemplate,
                  kBare = kBareTextTemplate;

// A reader over named contents, remembering what was asked for.
struct Files {
  std::map<std::string, std::string> contents;
  std::vector<std::string> asked;
  FileReader reader() {
    return [this](const std::string& name) -> std::optional<std::string> {
      asked.push_back(name);
      if (auto it = contents.find(name); it != contents.end()) return it->second;
      return std::nullopt;
    };
  }
};

class ChooseTemplateTest : public ::testing::TestWithParam<CodePage> {};

TEST_P(ChooseTemplateTest, BuiltInRulesAndThresholds) {
  const CodePage cp = GetParam();
  // Lengths are bytes of the text in the code page: "日本語" is 9 bytes in UTF-8, 6 in Shift-JIS.
  const std::size_t jp = from_utf8("日本語", cp).size();
  ASSERT_EQ(jp, cp.is_utf8() ? 9u : 6u);
  struct Case {
    std::string style;
    std::size_t length;
    std::string want;
    bool message;
  } cases[] = {
      {"-a", 0, kLink, false},
      {"-a", 5000, kLink, false},
      {"-b", 0, kInline, false},       // "0": only the empty text stays inline
      {"-b", 1, kBlock, false},
      {"-b100", 100, kInline, false},  // "0100"
      {"-b100", 101, kBlock, false},
      {"-b" + std::to_string(jp), jp, kInline, false},
      {"-b" + std::to_string(jp - 1), jp, kBlock, false},
      {"-q", 0, kInline, false},
      {"-q", 100000000, kInline, false},
      {"-b-5", 0, kInline, false},             // "0-5" reads 0
      {"--b5", 0, kBlock, false},              // "-05": a negative threshold
      {"x-b7", 1, kBlock, false},              // "x07" is no number: threshold 0
      {"-b-q", 1, kBlock, false},              // "-b" is tried first
      {"-qq", 5, kInline, false},              // "2147483647q"
      {"-q-b", 1, kBlock, false},              // "-q0": a "-" and a 0
      {"-b2147483658", 0, kBlock, false},      // wraps around to a negative threshold
      {"-b4294967306", 10, kInline, false},    // wraps around to 10
      {"-b4294967306", 11, kBlock, false},
      {"-B", 1, kBare, true},                  // case-sensitive
      {"-a='_blank'", 1, kBare, true},         // the main worker's target form
      {"-o", 1, kBare, true},
      {"-h", 1, kBare, true},
      {"", 1, kBare, true},
      {"http://x/-b", 1, kBlock, false},        // the URL as the style, "-b" in it
      {"http://x/", 1, kBare, true},
  };
  for (const Case& c : cases) {
    RecordedBoxes boxes;
    Files files;
    EXPECT_EQ(ChooseTemplate(c.style, "", c.length, files.reader(), boxes), c.want) << c.style << " " << c.length;
    const std::vector<Box> want_boxes =
        c.message ? std::vector<Box>{{"Quotemill_clip", "ごめんなさい。この機能は削除されました。", BoxIcon::None}}
                  : std::vector<Box>{};
    EXPECT_EQ(boxes.shown, want_boxes) << c.style;
    EXPECT_TRUE(files.asked.empty());
  }
}

TEST_P(ChooseTemplateTest, UserTemplateFileNames) {
  const std::string tmpl = from_utf8("<p title=\"%t\">%C</p>\r\n日本", GetParam());
  struct Case {
    std::string second;
    std::string asked;  // empty: no file asked for
    std::optional<std::string> want;
  } cases[] = {
      {"-h", "user.txt", tmpl},
      {"-", "user.txt", tmpl},
      {"%u", "user.txt", tmpl},
      {"%U", "%U", std::nullopt},
      {"my.txt", "my.txt", "M"},
      {"\\my.txt", "my.txt", "M"},           // a leading backslash is dropped
      {"\\\\my.txt", "\\my.txt", std::nullopt},  // only one
      {"sub/t.txt", "sub/t.txt", "S"},
      {"http://x/", "http://x/", std::nullopt},  // "-u" directly before the URL
      {"missing.txt", "missing.txt", std::nullopt},
      {"empty.txt", "empty.txt", std::nullopt},  // an empty file counts as missing
      {"", "", std::nullopt},
  };
  for (const Case& c : cases) {
    Files files{{{"user.txt", tmpl}, {"my.txt", "M"}, {"sub/t.txt", "S"}, {"empty.txt", ""}}, {}};
    RecordedBoxes boxes;
    EXPECT_EQ(ChooseTemplate("-u", c.second, 3, files.reader(), boxes), c.want) << c.second;
    EXPECT_EQ(files.asked, c.asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.asked});
    const std::vector<Box> want_boxes =
        c.want ? std::vector<Box>{} : std::vector<Box>{{"Quotemill_clip", "ファイルが存在しません", BoxIcon::None}};
    EXPECT_EQ(boxes.shown, want_boxes) << c.second;
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, ChooseTemplateTest, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

TEST(ReadFileFromDisk, BytesAsTheyAreRelativeToTheCurrentDirectory) {
  const auto dir = std::filesystem::temp_directory_path() / ("qm_lite_files_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub");
  const std::string bytes("a\r\nb\n\x82\xa0\0z", 9);
  std::ofstream(dir / "user.txt", std::ios::binary) << bytes;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  EXPECT_EQ(ReadFileFromDisk("user.txt"), bytes);
  EXPECT_EQ(ReadFileFromDisk((dir / "user.txt").string()), bytes);
  EXPECT_EQ(ReadFileFromDisk("none.txt"), std::nullopt);
  EXPECT_EQ(ReadFileFromDisk("sub"), std::nullopt);  // a directory is no file
  std::filesystem::current_path(before);
  std::filesystem::remove_all(dir);
}

TEST(ExpandTemplate, EveryPlaceholder) {
  struct Case {
    std::string tmpl, want;
  } cases[] = {
      {kLink, "<a title=\"T\" class=\"k\" href=\"http://h/p\">X</a>"},
      {kInline, "<q title=\"T\" class=\"k\" cite=\"http://h/p\">X</q>"},
      {kBlock, "<blockquote title=\"T\" class=\"k\" cite=\"http://h/p\"><p>X</p></blockquote>"},
      {kBare, "X"},
      {"%t|%c|%u|%U|%C", "T|class=\"k\" |http://h/p|h/p|X"},
      {"100%% %x%y", "100% xy"},
      {"%%t", "%t"},
      {"end%", "end"},
      {"%", ""},
      {"%%%", "%"},
      {"%T%Z", "TZ"},
      {"", ""},
      {"a%\r\nb", "a\r\nb"},
      {"\x82\xa0%C\x82\xa0", "\x82\xa0X\x82\xa0"},
      {"%C-%C", "X-X"},       // the text twice
      {"%%C%C%", "%CX"},      // once, after a literal "%C"
      {"%C%%C", "X%C"},
      {"%t%C", "TX"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandTemplate(c.tmpl, "T", "class=\"k\" ", "http://h/p", "h/p", "X"), c.want) << c.tmpl;
}

TEST(ExpandTemplate, ValuesAreNeverRescannedOrEscaped) {
  EXPECT_EQ(ExpandTemplate(kLink, "a\"b %C", "", "u://%t", "%u", "%C %t %%"),
            "<a title=\"a\"b %C\" href=\"u://%t\">%C %t %%</a>");
  EXPECT_EQ(ExpandTemplate(kLink, "", "", "u://", "", ""), "<a title=\"\" href=\"u://\"></a>");
}

}  // namespace
}  // namespace qm::lite

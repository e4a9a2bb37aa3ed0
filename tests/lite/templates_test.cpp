// Template choice, user template files and placeholder expansion.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "codepage.h"
#include "messages.h"
#include "template_file_kinds.h"
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
    EXPECT_EQ(ChooseTemplate(c.style, "", c.length, files.reader(), cp, boxes), c.want) << c.style << " " << c.length;
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
    EXPECT_EQ(ChooseTemplate("-u", c.second, 3, files.reader(), GetParam(), boxes), c.want) << c.second;
    EXPECT_EQ(files.asked, c.asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.asked});
    const std::vector<Box> want_boxes =
        c.want ? std::vector<Box>{} : std::vector<Box>{{"Quotemill_clip", "ファイルが存在しません", BoxIcon::None}};
    EXPECT_EQ(boxes.shown, want_boxes) << c.second;
  }
}

// A file saved as UTF-8 with its byte-order mark, as Notepad saves, is read as UTF-8 under
// another code page; every other file byte for byte; under UTF-8 nothing changes at all.
TEST_P(ChooseTemplateTest, UserTemplateWithTheUtf8Mark) {
  const CodePage cp = GetParam();
  const std::string mark = "\xEF\xBB\xBF";
  const std::string quote = "\xE5\xBC\x95\xE7\x94\xA8\xEF\xBC\x9A%C";  // "引用：%C" in UTF-8
  const std::string quote_sjis = "\x88\xF8\x97\x70\x81\x46%C";           // the same in Shift-JIS
  struct Case {
    std::string file;
    std::optional<std::string> utf8, sjis;  // the template under each code page
  } cases[] = {
      {mark + quote, mark + quote, quote_sjis},
      {quote, quote, quote},                                  // no mark: the bytes as they are
      {quote_sjis, quote_sjis, quote_sjis},
      {mark + "\xF0\x9F\x98\x80%C", mark + "\xF0\x9F\x98\x80%C", "&#x1F600;%C"},  // 😀: no such character
      {mark + "\xE3\x80\x9C", mark + "\xE3\x80\x9C", "&#x301C;"},  // 〜 would read back as ～
      {mark + "a\xFF" "b", mark + "a\xFF" "b", "a&#xFFFD;b"},  // a byte that is no UTF-8
      {mark + mark + "x", mark + mark + "x", "&#xFEFF;x"},    // only the first mark goes
      {"x" + mark, "x" + mark, "x" + mark},                   // a mark further on is no mark
      {"\xEF\xBB" "x", "\xEF\xBB" "x", "\xEF\xBB" "x"},       // nor is a part of one
      {mark + "\r\n%C\r\n", mark + "\r\n%C\r\n", "\r\n%C\r\n"},
      {mark, mark, std::nullopt},                             // nothing but the mark: no template
  };
  for (const Case& c : cases) {
    Files files{{{"user.txt", c.file}}, {}};
    RecordedBoxes boxes;
    const std::optional<std::string>& want = cp.is_utf8() ? c.utf8 : c.sjis;
    EXPECT_EQ(ChooseTemplate("-u", "-", 3, files.reader(), cp, boxes), want) << ::testing::PrintToString(c.file);
    EXPECT_EQ(boxes.shown.size(), want ? 0u : 1u) << ::testing::PrintToString(c.file);
    if (want) {
      EXPECT_EQ(TemplateFromFile(c.file, cp), *want);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, ChooseTemplateTest, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

// A fresh directory made the current one, left and removed again on every way out.
struct CurrentTempDir {
  CurrentTempDir()
      : path(std::filesystem::temp_directory_path() / ("qm_lite_files_" + std::to_string(::getpid()))),
        before(std::filesystem::current_path()) {
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
  }
  ~CurrentTempDir() {
    std::error_code ignored;
    std::filesystem::current_path(before, ignored);
    std::filesystem::remove_all(path, ignored);
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  std::filesystem::path path, before;
};

// ReadFileFromDisk on a thread of its own, waited for a bounded time; a read still waiting
// then is given its `unblock` (when the kind has one) and left behind.
struct BoundedRead {
  bool returned = false;
  std::optional<std::string> content;
};
BoundedRead read_within(const std::string& name, std::chrono::seconds limit, const std::function<void()>& unblock) {
  auto done = std::make_shared<std::promise<std::optional<std::string>>>();
  std::future<std::optional<std::string>> result = done->get_future();
  std::thread reader([done, name] { done->set_value(ReadFileFromDisk(name)); });
  if (result.wait_for(limit) == std::future_status::ready) {
    reader.join();
    return {true, result.get()};
  }
  if (unblock) unblock();
  if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
    reader.join();
  else
    reader.detach();
  return {false, std::nullopt};
}

// Only a regular file of at most kTemplateFileLimit bytes is read, whole and byte for byte;
// every other kind of name gives nullopt at once, without waiting on the file.
TEST(ReadFileFromDisk, BytesAsTheyAreRelativeToTheCurrentDirectory) {
  CurrentTempDir dir;
  std::filesystem::create_directories(dir.path / "sub");
  const std::string bytes("a\r\nb\n\x82\xa0\0z", 9);
  dir.write("user.txt", bytes);
  dir.write("empty.txt", "");
  std::string at_limit(kTemplateFileLimit, 'x');
  at_limit.replace(at_limit.size() / 2, 2, "%C");
  dir.write("at_limit.txt", at_limit);
  dir.write("over_limit.txt", at_limit + "x");
  std::vector<TemplateFileKind> cases{
      {"a regular file", "user.txt", bytes, {}},
      {"by its whole name", (dir.path / "user.txt").string(), bytes, {}},
      {"an empty file", "empty.txt", "", {}},
      {"a file of the limit's size", "at_limit.txt", at_limit, {}},
      {"a file one byte over the limit", "over_limit.txt", std::nullopt, {}},
      {"a missing file", "none.txt", std::nullopt, {}},
      {"a directory", "sub", std::nullopt, {}},
  };
  for (TemplateFileKind& kind : system_template_file_kinds(dir.path)) cases.push_back(std::move(kind));
  for (const TemplateFileKind& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    const BoundedRead read = read_within(c.name, std::chrono::seconds(10), c.unblock);
    if (!read.returned) {
      ADD_FAILURE() << c.why << ": the read still waits";
      continue;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << c.why;
    EXPECT_EQ(read.content.has_value(), c.want.has_value()) << c.why;
    if (read.content && c.want) {
      EXPECT_EQ(read.content->size(), c.want->size()) << c.why;
      EXPECT_TRUE(*read.content == *c.want) << c.why;  // 16 MiB would not print
    }
  }
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
  for (const Case& c : cases) EXPECT_EQ(ExpandTemplate(c.tmpl, "T", "class=\"k\" ", "http://h/p", "h/p", "X").bytes, c.want) << c.tmpl;
}

TEST(ExpandTemplate, ValuesAreNeverRescannedOrEscaped) {
  EXPECT_EQ(ExpandTemplate(kLink, "a\"b %C", "", "u://%t", "%u", "%C %t %%").bytes,
            "<a title=\"a\"b %C\" href=\"u://%t\">%C %t %%</a>");
  EXPECT_EQ(ExpandTemplate(kLink, "", "", "u://", "", "").bytes, "<a title=\"\" href=\"u://\"></a>");
}

}  // namespace
}  // namespace qm::lite

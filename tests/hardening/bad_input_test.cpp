// Bad files and arguments, at the level of the logic: template files that are no readable
// file, a binary template, a thousand arguments, an argument of 1 MB and a caption of 100 KB.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../../lite/arguments.h"
#include "../../lite/messages.h"
#include "../../lite/request.h"
#include "../../lite/templates.h"
#include "../../lite/title.h"
#include "../../main/arguments.h"
#include "../../main/quote_builder.h"
#include "clipboard_memory.h"
#include "error.h"
#include "text.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

const CodePage kUtf8 = CodePage::utf8();
const CodePage kSjis = CodePage::shift_jis();

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("qm_bad_input_" + std::to_string(getpid()))) {
    fs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::permissions(path / "locked.txt", fs::perms::owner_all, ignored);
    fs::remove_all(path, ignored);
  }
  fs::path write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return path / name;
  }
  fs::path path;
};

std::string every_byte() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(BadTemplateFile, NoFileToReadGivesTheMessageAndNoTemplate) {
  TempDir dir;
  fs::create_directory(dir.path / "folder");
  fs::create_symlink(dir.path / "gone.txt", dir.path / "dangling.txt");
  dir.write("gone.txt", "x");
  fs::remove(dir.path / "gone.txt");
  struct Case {
    std::string name, why;
  } cases[] = {
      {(dir.path / "folder").string(), "a directory"},
      {(dir.path / "folder/").string(), "a directory, with its slash"},
      {(dir.path / "dangling.txt").string(), "a symbolic link to nothing"},
      {(dir.path / "missing" / "user.txt").string(), "in a directory that does not exist"},
      {"\\" + (dir.path / "folder").string(), "a directory behind the dropped backslash"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lite::ReadFileFromDisk(c.name), std::nullopt) << c.why;
    RecordedBoxes boxes;
    EXPECT_EQ(lite::LoadTemplateFile(c.name, lite::ReadFileFromDisk, kUtf8, boxes), std::nullopt) << c.why;
    ASSERT_EQ(boxes.shown.size(), 1u) << c.why;
    EXPECT_EQ(boxes.shown[0], (Box{lite::kNoticeCaption, lite::kNoFileMessage, BoxIcon::None})) << c.why;
  }
}

TEST(BadTemplateFile, FileWithoutReadPermission) {
  // root reads a file whatever its mode; the case only says something for another user.
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which may read a file of mode 000";
  TempDir dir;
  const fs::path locked = dir.write("locked.txt", "<p>%C</p>");
  fs::permissions(locked, fs::perms::none);
  RecordedBoxes boxes;
  EXPECT_EQ(lite::LoadTemplateFile(locked.string(), lite::ReadFileFromDisk, kUtf8, boxes), std::nullopt);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(BadTemplateFile, BinaryTemplateIsUsedByteForByte) {
  TempDir dir;
  const std::string bytes = every_byte() + every_byte();
  const fs::path file = dir.write("binary.bin", bytes);
  RecordedBoxes boxes;
  const std::optional<std::string> tmpl = lite::ChooseTemplate("-u", file.string(), 3, lite::ReadFileFromDisk, kUtf8, boxes);
  ASSERT_TRUE(tmpl);
  EXPECT_EQ(*tmpl, bytes);
  EXPECT_TRUE(boxes.shown.empty());
  // Every "%" pair of the bytes is a placeholder: "%&" gives "&" and so on; NULs stay.
  const std::string out = lite::ExpandTemplate(*tmpl, "T", "", "U", "R", "C").bytes;
  std::string want;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '%') {
      want += bytes[i];
      continue;
    }
    want += bytes[++i];  // "%&": the byte after "%" is '&', no placeholder letter
  }
  EXPECT_EQ(out, want);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\0'), 2);
}

TEST(BadTemplateFile, BinaryTemplateWritesTheClipboardUpToItsFirstNul) {
  struct Case {
    std::string tmpl;
    std::optional<std::string> clipboard;  // what the desktop clipboard holds afterwards
  } cases[] = {
      {std::string("<p>%C", 5) + std::string(1, '\0') + "tail", "<p>sel"},
      {std::string(1, '\0') + "%C", std::nullopt},  // an empty text: owned, no text offered
      {"\x01\x7f\xfe%C\xff", "\x01\x7f\xfesel\xff"},
  };
  for (const Case& c : cases) {
    MemoryClipboard desktop(std::string("sel"));
    OneShotClipboard clipboard(desktop, kUtf8);
    RecordedBoxes boxes;
    FixedForegroundWindow foreground("page - Browser");
    lite::Services services{clipboard, boxes, foreground, kUtf8,
                            [&](const std::string&) { return std::optional(c.tmpl); },
                            [](const std::string&) { ADD_FAILURE() << "no notice window in a run"; }};
    lite::ProcessRequest({"-u", "t.bin", "http://example.com/"}, services);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(desktop.text, c.clipboard) << c.tmpl;
  }
}

TEST(BadTemplateFile, LargeTemplateIsReadWhole) {
  TempDir dir;
  std::string bytes(8 << 20, 'x');
  bytes.replace(bytes.size() / 2, 2, "%C");
  const fs::path file = dir.write("large.txt", bytes);
  const std::optional<std::string> read = lite::ReadFileFromDisk(file.string());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), bytes.size());
  EXPECT_TRUE(*read == bytes);
  EXPECT_EQ(lite::ExpandTemplate(*read, "", "", "", "", "sel").bytes.size(), bytes.size() + 1);
}

class BothCodePages : public ::testing::TestWithParam<CodePage> {};
INSTANTIATE_TEST_SUITE_P(, BothCodePages, ::testing::Values(kUtf8, kSjis),
                         [](const auto& info) { return info.param.is_utf8() ? "Utf8" : "ShiftJis"; });

TEST_P(BothCodePages, ThousandArgumentsSplitAndConvertOnceEach) {
  const CodePage& cp = GetParam();
  std::string line = "-q";
  for (int i = 0; i < 998; ++i) line += " -h";
  line += " http://example.com/";
  const std::vector<std::string> split = split_command_line(line, cp);
  ASSERT_EQ(split.size(), 1000u);
  EXPECT_EQ(lite::SplitArguments(line), split);

  const Arguments args("/usr/bin/quotemill", split);
  const std::string quote = build_quote(args, url_attribute(args, cp), "a\r\nb", cp).bytes;
  std::string brs;
  for (int i = 0; i < 998; ++i) brs += "<br>";
  EXPECT_EQ(quote, "<q cite=\"http://example.com/\">a" + brs + "\r\nb</q>");
}

TEST_P(BothCodePages, ArgumentOfOneMebibyte) {
  const CodePage& cp = GetParam();
  // A launcher cannot pass 1 MB as one argument (Linux takes 128 KiB at most), but a quoted
  // stretch over several arguments makes one of the programs' own.
  std::string url = "http://example.com/";
  while (url.size() < (1u << 20)) url += std::string(100000, 'a') + " ";
  url.pop_back();
  const std::string line = "-a -c='k' \"" + url + "\"";
  const std::vector<std::string> split = split_command_line(line, cp);
  ASSERT_EQ(split.size(), 3u);
  EXPECT_TRUE(split[2] == url);
  const Arguments args("/usr/bin/quotemill", split);
  EXPECT_EQ(build_quote(args, url_attribute(args, cp), "t", cp).bytes.size(),
            std::string("<a href=\"\" class=\"k\">t</a>").size() + url.size());

  const lite::ArgumentList lite_args = lite::SplitArguments(line);
  ASSERT_EQ(lite_args.size(), 3u);
  EXPECT_TRUE(lite_args[2] == url);  // wholly in quotes: they go

  // A number of 1 MB fails to convert, and says which text failed.
  const std::string digits(1u << 20, '7');
  try {
    to_int32(digits, cp);
    ADD_FAILURE() << "a 1 MB number converted";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'" + digits + "' は整数ではありません");
  }
  EXPECT_EQ(lite::ReadInteger(digits), lite::ReadInteger(digits));  // wraps, never fails
}

TEST_P(BothCodePages, CaptionOfHundredKilobytes) {
  const CodePage& cp = GetParam();
  struct Case {
    std::string caption;
    std::optional<std::string> title;
  } cases[] = {
      {std::string(100 << 10, 'x') + " - Browser", std::nullopt},  // the separator is past the limit
      {"page - " + std::string(100 << 10, 'y'), "page"},
      {"a - b - " + std::string(1016, 'z') + " - c", "a - b"},  // the last one within 1023 bytes
      {"題名 - " + std::string(100 << 10, '\0'), "題名"},
  };
  std::string japanese;
  while (japanese.size() < (100u << 10)) japanese += "日本語";
  for (const Case& c : cases) {
    FixedForegroundWindow window(c.caption);
    const std::string text = lite::ReadWindowText(window, cp);
    EXPECT_LE(text.size(), lite::kCaptionLimit);
    RecordedBoxes boxes;
    const std::string title = lite::CaptureTitle(window, cp, boxes);
    const std::optional<std::string> want = c.title ? std::optional(from_utf8(*c.title, cp)) : std::nullopt;
    EXPECT_EQ(title, want.value_or(""));
    EXPECT_EQ(boxes.shown.size(), want ? 0u : 1u);
  }
  // 100 KB of Japanese without a separator in reach: cut at 1023 bytes (under Shift-JIS inside
  // a character), no title.
  FixedForegroundWindow window(japanese + " - Browser");
  const std::string text = lite::ReadWindowText(window, cp);
  EXPECT_EQ(text.size(), lite::kCaptionLimit);
  RecordedBoxes boxes;
  EXPECT_EQ(lite::CaptureTitle(window, cp, boxes), "");
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace qm

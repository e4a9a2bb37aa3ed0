// The menu lines' grammar, shared by the settings window, which writes lines, and
// quotemill-host, which reads them: what one writes, the other reads back as it was.

#include <gtest/gtest.h>

#include "menu_line.h"

namespace qm::menu {
namespace {

// The item that `line`, pasted alone, reads as; an empty caption when it reads as none.
MenuItem read_back(const std::string& line) {
  const std::vector<std::string_view> lines = popup_menu_lines(line);
  MenuItem item;
  if (lines.size() != 1 || !read_item(lines[0], item).empty()) return {};
  return item;
}

TEST(MenuLine, WrittenItemsReadBack) {
  const MenuItem items[] = {
      {"aタグを挿入してコピー", "/usr/local/bin/quotemill", " -a  %u"},
      {"a, b = c", "C:\\tools\\quotemill3.exe", " -a -c=\"my class\" %u"},  // commas, "=" and quotes
      {" ; [x] ", "/home/o'neil/my tools/quotemill", " -q -c='\"' %u\""},  // blanks kept inside quotes
      {"Copy & Execute program", "quotemill", ""},
  };
  for (const MenuItem& item : items) {
    const std::string line = item_line(item.caption, item.program, item.arguments);
    EXPECT_TRUE(line.ends_with("\"\r\n")) << line;
    EXPECT_EQ(read_back(line), item) << line;
  }
  EXPECT_EQ(item_line("c", "p", " -q %u"), "item, \"c\" = Copy & Execute program,\"p\",\" -q %u\"\r\n");
}

TEST(MenuLine, OnlyTheArgumentsMayHoldAQuote) {
  EXPECT_TRUE(quotable("/usr/local/bin/quotemill"));
  EXPECT_TRUE(quotable("/home/o'neil/my tools/quotemill"));
  EXPECT_FALSE(quotable("/opt/a\"b/quotemill"));
  EXPECT_FALSE(quotable("\""));
  // Written all the same, such a program or caption does not read back as it was.
  const MenuItem program{"c", "/opt/a\"b/quotemill", " -q %u"};
  EXPECT_NE(read_back(item_line(program.caption, program.program, program.arguments)), program);
  const MenuItem caption{"say \"hi\"", "quotemill", " -q %u"};
  EXPECT_NE(read_back(item_line(caption.caption, caption.program, caption.arguments)), caption);
}

}  // namespace
}  // namespace qm::menu

// Splitting of quotemill's command line.

#include <gtest/gtest.h>

#include "arguments.h"

namespace qm {
namespace {

using List = std::vector<std::string>;

TEST(SplitCommandLine, Rules) {
  struct Case {
    const char* line;
    List want;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"-a http://x", {"-a", "http://x"}},
      {"-a\thttp://x", {"-a", "http://x"}},                       // a tab separates
      {"-a\x01\x1f http://x", {"-a", "http://x"}},                // so does every control byte
      {"\"a b\" c", {"a b", "c"}},                                // quotes group and go
      {"-c='a b' http://x", {"-c='a", "b'", "http://x"}},         // single quotes are ordinary
      {"a\"b c\"d e", {"ab cd", "e"}},                            // stretches join
      {"a \"\" b", {"a", "b"}},                                   // an empty pair vanishes
      {"\"\"\"\" a", {"a"}},                                      // twice
      {"\"\"   \"\" a", {"a"}},
      {"a\"\"b", {"ab"}},                                         // inside an argument it is just quotes
      {"a \"b c", {"a", "b c"}},                                  // the line's end closes a quote
      {"a \"", {"a"}},                                            // an empty argument ends the list
      {"a \" b", {"a", " b"}},
      {"C:\\path\\x.exe -a", {"C:\\path\\x.exe", "-a"}},          // no escape character
      {"-a='_blank' -h -c='class_name' http://example.com/",
       {"-a='_blank'", "-h", "-c='class_name'", "http://example.com/"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(split_command_line(c.line, CodePage::utf8()), c.want) << c.line;
    EXPECT_EQ(split_command_line(c.line, CodePage::shift_jis()), c.want) << c.line;
  }
}

TEST(SplitCommandLine, SecondByteOfADoubleByteCharacterIsNoQuote) {
  // 0x22 cannot be a Shift-JIS second byte, but 0x5C and 0x7C can; a quote right after a
  // double-byte character still opens a stretch.
  const std::string so = "\x83\x5C";  // ソ
  EXPECT_EQ(split_command_line(so + "\"a b\"", CodePage::shift_jis()), List{so + "a b"});
  const std::string kanji = "\xE6\x97\xA5";  // 日 in UTF-8
  EXPECT_EQ(split_command_line("\"" + kanji + " x\" y", CodePage::utf8()), (List{kanji + " x", "y"}));
}

TEST(Arguments, IndexingAndLast) {
  const Arguments none("/usr/bin/quotemill", {});
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(none[0], "/usr/bin/quotemill");
  EXPECT_EQ(none.last(), "/usr/bin/quotemill");
  EXPECT_EQ(none[1], "");

  const Arguments two("/q", {"-a", "http://x"});
  EXPECT_EQ(two.count(), 2);
  EXPECT_EQ(two[1], "-a");
  EXPECT_EQ(two.last(), "http://x");
  EXPECT_EQ(two[3], "");
  EXPECT_EQ(two[-1], "");
}

}  // namespace
}  // namespace qm

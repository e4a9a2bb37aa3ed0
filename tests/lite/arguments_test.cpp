// quotemill3's argument list, option scan, integer reading and first replacement.

#include <gtest/gtest.h>

#include <climits>

#include "arguments.h"

namespace qm::lite {
namespace {

TEST(SplitArguments, Table) {
  struct Case {
    std::string line;
    ArgumentList want;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"-a http://x/", {"-a", "http://x/"}},
      {"  -b300\t-d=40  -c=cls -h http://x/ ", {"-b300", "-d=40", "-c=cls", "-h", "http://x/"}},
      {"\x01-a\x1fhttp://x/", {"-a", "http://x/"}},           // control bytes separate
      {"\"\" -a \"\" \"\"\"\" http://x/", {"-a", "http://x/"}},  // empty pairs are skipped
      {"\"\"-a", {"-a"}},                                     // also right before an argument
      {"\"http://x/\"", {"http://x/"}},                       // wholly quoted: unwrapped
      {"-c=\"my class\" u://", {"-c=\"my class\"", "u://"}},  // quotes inside stay, blank kept
      {"a\"b c\"d e", {"a\"b c\"d", "e"}},
      {"\"a\"b\"", {"a\"b"}},                                 // only the outer pair goes
      {"\"a b", {"\"a b"}},                                   // the line ends inside the quote
      {"x \"", {"x", "\""}},                                  // a lone quote stays
      {"\"\"\"", {"\""}},
      {"\x82\xa0 \xe3\x81\x82", {"\x82\xa0", "\xe3\x81\x82"}},  // high bytes belong to arguments
  };
  for (const Case& c : cases) EXPECT_EQ(SplitArguments(c.line), c.want) << c.line;
}

TEST(Argument, BeyondTheListIsEmpty) {
  const ArgumentList args{"-a", "u://"};
  EXPECT_EQ(Argument(args, 1), "-a");
  EXPECT_EQ(Argument(args, 2), "u://");
  EXPECT_EQ(Argument(args, 3), "");
  EXPECT_EQ(Argument(args, 0), "");
  EXPECT_EQ(Argument({}, 1), "");
}

TEST(FindOption, LastMatchWinsAndEveryArgumentIsScanned) {
  const ArgumentList args{"-c=first", "-h", "-c=second", "-hx", "-D", "-d"};
  struct Case {
    std::string option;
    std::optional<int> want;
  } cases[] = {
      {"-c", 3}, {"-h", 4}, {"-d", 6}, {"-D", 5}, {"-x", std::nullopt}, {"-c=first", 1}, {"c", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FindOption(args, c.option), c.want) << c.option;
  EXPECT_EQ(FindOption({"u://-h"}, "-h"), std::nullopt);  // the option must start the argument
  EXPECT_EQ(FindOption({"-h"}, "-h"), 1);                  // the only argument counts too
  EXPECT_EQ(FindOption({}, "-h"), std::nullopt);
}

TEST(ReadInteger, Table) {
  struct Case {
    std::string text;
    std::int32_t want;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"300", 300},
      {"0300", 300},
      {"+42", 42},
      {"-42", -42},
      {"12ab34", 12},
      {"ab", 0},
      {"-", 0},
      {"+", 0},
      {" 5", 0},  // no blanks skipped
      {"--5", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MIN},  // wraps around
      {"4294967295", -1},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-4294967297", -1},
      {"99999999999999999999", 1661992959},
      {"02147483647", INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadInteger(c.text), c.want) << c.text;
}

TEST(ReplaceFirst, OnlyTheFirst) {
  struct Case {
    std::string text, pattern, replacement, want;
    bool found;
  } cases[] = {
      {"a\r\nb\r\nc", "\r\n", "<br>\r\n", "a<br>\r\nb\r\nc", true},
      {"-b-b", "-b", "0", "0-b", true},
      {"abc", "x", "y", "abc", false},
      {"", "-d=", "", "", false},
      {"-d=-d=5", "-d=", "", "-d=5", true},
      {"abc", "", "x", "abc", false},
  };
  for (Case c : cases) {
    EXPECT_EQ(ReplaceFirst(c.text, c.pattern, c.replacement), c.found) << c.pattern;
    EXPECT_EQ(c.text, c.want);
  }
}

}  // namespace
}  // namespace qm::lite

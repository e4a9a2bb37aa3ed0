// The menu entry generator as tables: the number rule, the option tail, whole runs.

#include <gtest/gtest.h>

#include "menu_entries.h"

namespace qm::settings {
namespace {

using std::nullopt;

TEST(FormNumber, Table) {
  const struct {
    std::string text;
    std::optional<std::int32_t> want;
  } cases[] = {
      {"60", 60},
      {"060", 60},
      {"+7", 7},
      {"-5", -5},
      {"0", 0},
      {"-0", 0},
      {"   42", 42},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"000000000000000000000000012", 12},
      {"$3C", 60},
      {"$3c", 60},
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0X1f", 31},
      {"  $ff", 255},
      {"$7FFFFFFF", 2147483647},
      {"$80000000", INT32_MIN},
      {"0xFFFFFFFF", -1},
      {"$000000000000FF", 255},
      {"-$10", 16},  // a sign before a hexadecimal number is ignored
      {"+0x10", 16},
      {"", nullopt},
      {"   ", nullopt},
      {"+", nullopt},
      {"-", nullopt},
      {"- 5", nullopt},
      {"+-5", nullopt},
      {"5 ", nullopt},
      {"5x", nullopt},
      {"\t5", nullopt},
      {"abc", nullopt},
      {"2147483648", nullopt},
      {"-2147483649", nullopt},
      {"99999999999999999999", nullopt},
      {"$", nullopt},
      {"0x", nullopt},
      {"x", nullopt},
      {"$100000000", nullopt},
      {"$3G", nullopt},
      {"0x 10", nullopt},
      {"６０", nullopt},  // full-width digits
      {"1.5", nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(read_form_number(c.text), c.want) << "[" << c.text << "]";
}

TEST(FormNumber, DecimalText) {
  EXPECT_EQ(decimal_text(60), "60");
  EXPECT_EQ(decimal_text(0), "0");
  EXPECT_EQ(decimal_text(-5), "-5");
  EXPECT_EQ(decimal_text(INT32_MIN), "-2147483648");
}

TEST(OptionTail, Table) {
  const struct {
    LineBreak line_break;
    std::optional<std::string> join, cls;
    std::string want;
  } cases[] = {
      {LineBreak::Keep, nullopt, nullopt, " %u"},
      {LineBreak::Br, nullopt, nullopt, " -h %u"},
      {LineBreak::BrSlash, nullopt, nullopt, " -x %u"},
      {LineBreak::Br, "60", "class_name", " -h -d=60 -c='class_name' %u"},
      {LineBreak::Keep, "", "", " -d= -c='' %u"},
      {LineBreak::Keep, nullopt, "a \"b' c", " -c='a \"b' c' %u"},
  };
  for (const auto& c : cases) EXPECT_EQ(option_tail(c.line_break, c.join, c.cls), c.want);
}

const std::string P = "/usr/local/bin/quotemill";
const std::string kA = "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kQ = "item, \"qタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kO = "item, \"『俺ニュース』方式リンクでコピー\" = Copy & Execute program,\"";
const std::string kB = "item, \"blockquoteタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kH = "item, \"はてなダイアリーの見出しっぽくコピー\" = Copy & Execute program,\"";

// The form at its start values.
FormChoices start() {
  FormChoices c;
  c.a_target_text = c.ore_target_text = "_blank";
  c.quote_threshold = c.join_threshold = "60";
  c.class_text = "class_name";
  return c;
}

struct RunCase {
  const char* name;
  FormChoices choices;
  std::string lines;  // UTF-8
  std::vector<FieldUpdate> updates = {};
  Refusal refusal = Refusal::None;
  Field refused_field = Field::Edit1;
};

std::vector<RunCase> run_cases() {
  std::vector<RunCase> cases;
  auto with = [](auto change) {
    FormChoices c = start();
    change(c);
    return c;
  };
  cases.push_back({"nothing ticked", start(), ""});
  cases.push_back({"only CheckBox1", with([](FormChoices& c) { c.a_tag = true; }),
                   kA + P + "\",\" -a  %u\"\r\n"});
  cases.push_back({"q tag with <br>, -d= and -c=", with([](FormChoices& c) {
                     c.q_tag = true;
                     c.line_break = LineBreak::Br;
                     c.join_lines = c.class_name = true;
                   }),
                   kQ + P + "\",\" -q  -h -d=60 -c='class_name' %u\"\r\n"});
  cases.push_back({"a tag with target and <br>", with([](FormChoices& c) {
                     c.a_tag = c.a_target = true;
                     c.line_break = LineBreak::Br;
                     c.join_lines = c.class_name = true;
                   }),
                   kA + P + "\",\" -a='_blank' -h -d=60 -c='class_name' %u\"\r\n"});
  cases.push_back({"target forms, emptied fields refilled", with([](FormChoices& c) {
                     c.a_tag = c.a_target = c.ore_news = c.ore_target = true;
                     c.a_target_text = "";
                     c.ore_target_text = "";
                   }),
                   kA + P + "\",\" -a='_blank' %u\"\r\n" + kO + P + "\",\" -o='_blank' %u\"\r\n",
                   {{Field::Edit4, "_blank"}, {Field::Edit5, "_blank"}}});
  cases.push_back({"target texts as typed, blanks kept", with([](FormChoices& c) {
                     c.a_tag = c.a_target = c.ore_news = c.ore_target = true;
                     c.a_target_text = "  ";
                     c.ore_target_text = "_top";
                   }),
                   kA + P + "\",\" -a='  ' %u\"\r\n" + kO + P + "\",\" -o='_top' %u\"\r\n"});
  cases.push_back({"unticked target boxes are not read", with([](FormChoices& c) {
                     c.a_tag = c.ore_news = true;
                     c.a_target_text = c.ore_target_text = "";
                   }),
                   kA + P + "\",\" -a  %u\"\r\n" + kO + P + "\",\" -o  %u\"\r\n"});
  cases.push_back({"all five styles in output order", with([](FormChoices& c) {
                     c.a_tag = c.q_tag = c.ore_news = c.blockquote = c.hatena = true;
                     c.line_break = LineBreak::BrSlash;
                   }),
                   kA + P + "\",\" -a  -x %u\"\r\n" + kQ + P + "\",\" -q  -x %u\"\r\n" + kO + P +
                       "\",\" -o  -x %u\"\r\n" + kB + P + "\",\" -b60  -x %u\"\r\n" + kH + P +
                       "\",\" -hd  -x %u\"\r\n"});
  cases.push_back({"numbers normalised and written back", with([](FormChoices& c) {
                     c.blockquote = c.join_lines = true;
                     c.quote_threshold = "0x10";
                     c.join_threshold = " +060";
                   }),
                   kB + P + "\",\" -b16  -d=60 %u\"\r\n",
                   {{Field::Edit1, "60"}, {Field::Edit2, "16"}}});
  cases.push_back({"emptied class name", with([](FormChoices& c) {
                     c.hatena = c.class_name = true;
                     c.class_text = "";
                   }),
                   kH + P + "\",\" -hd  -c='' %u\"\r\n"});
  cases.push_back({"bad Edit1 stops before any line", with([](FormChoices& c) {
                     c.a_tag = c.a_target = c.join_lines = true;
                     c.a_target_text = "";
                     c.join_threshold = "abc";
                   }),
                   "", {}, Refusal::BadNumber, Field::Edit1});
  cases.push_back({"bad Edit1 with no style ticked", with([](FormChoices& c) {
                     c.join_lines = true;
                     c.join_threshold = "";
                   }),
                   "", {}, Refusal::BadNumber, Field::Edit1});
  cases.push_back({"negative Edit2 refused after the earlier fields", with([](FormChoices& c) {
                     c.a_tag = c.a_target = c.blockquote = c.join_lines = true;
                     c.a_target_text = "";
                     c.join_threshold = "$3C";
                     c.quote_threshold = "-5";
                   }),
                   "", {{Field::Edit1, "60"}, {Field::Edit4, "_blank"}}, Refusal::BadNumber, Field::Edit2});
  cases.push_back({"negative hexadecimal Edit1", with([](FormChoices& c) {
                     c.q_tag = c.join_lines = true;
                     c.join_threshold = "0xFFFFFFFF";
                   }),
                   "", {}, Refusal::BadNumber, Field::Edit1});
  cases.push_back({"minus zero is zero", with([](FormChoices& c) {
                     c.blockquote = c.join_lines = true;
                     c.quote_threshold = "-0";
                     c.join_threshold = " -0x0";
                   }),
                   kB + P + "\",\" -b0  -d=0 %u\"\r\n",
                   {{Field::Edit1, "0"}, {Field::Edit2, "0"}}});
  cases.push_back({"a sign before a hexadecimal number is ignored", with([](FormChoices& c) {
                     c.blockquote = c.join_lines = true;
                     c.quote_threshold = "-$3C";
                     c.join_threshold = "+x10";
                   }),
                   kB + P + "\",\" -b60  -d=16 %u\"\r\n",
                   {{Field::Edit1, "16"}, {Field::Edit2, "60"}}});
  cases.push_back({"a sign does not save a negative hexadecimal number", with([](FormChoices& c) {
                     c.blockquote = true;
                     c.quote_threshold = "-0x80000000";
                   }),
                   "", {}, Refusal::BadNumber, Field::Edit2});
  cases.push_back({"unticked number boxes are not checked", with([](FormChoices& c) {
                     c.q_tag = true;
                     c.join_threshold = c.quote_threshold = "abc";
                   }),
                   kQ + P + "\",\" -q  %u\"\r\n"});
  return cases;
}

class GeneratorRuns : public ::testing::TestWithParam<CodePage> {};

TEST_P(GeneratorRuns, Table) {
  const CodePage cp = GetParam();
  for (const RunCase& c : run_cases()) {
    SCOPED_TRACE(c.name);
    const GeneratorRun run = generate_menu_lines(c.choices, P, cp);
    EXPECT_EQ(run.refusal, c.refusal);
    if (c.refusal == Refusal::BadNumber) {
      EXPECT_EQ(run.refused_field, c.refused_field);
    }
    EXPECT_EQ(to_utf8(run.lines, cp), c.lines);
    EXPECT_EQ(run.updates, c.updates);
  }
}

TEST_P(GeneratorRuns, LinesAreInTheCodePage) {
  const CodePage cp = GetParam();
  FormChoices c = start();
  c.ore_news = true;
  const GeneratorRun run = generate_menu_lines(c, P, cp);
  EXPECT_EQ(run.lines, from_utf8(kO + P + "\",\" -o  %u\"\r\n", cp));
  EXPECT_EQ(run.lines.find("『") == std::string::npos, cp == CodePage::shift_jis());
}

TEST_P(GeneratorRuns, ProgramPathWithAQuoteIsRefused) {
  const CodePage cp = GetParam();
  FormChoices c = start();
  EXPECT_EQ(generate_menu_lines(c, "/opt/a\"b/quotemill", cp).refusal, Refusal::None);  // no line names it
  c.q_tag = true;
  const GeneratorRun run = generate_menu_lines(c, "/opt/a\"b/quotemill", cp);
  EXPECT_EQ(run.refusal, Refusal::QuoteInProgram);
  EXPECT_EQ(run.lines, "");
  // Blanks and apostrophes in the path are written unchanged.
  EXPECT_EQ(generate_menu_lines(c, "/home/o'neil/my tools/quotemill", cp).lines,
            from_utf8(kQ + "/home/o'neil/my tools/quotemill\",\" -q  %u\"\r\n", cp));
}

INSTANTIATE_TEST_SUITE_P(CodePages, GeneratorRuns, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

}  // namespace
}  // namespace qm::settings

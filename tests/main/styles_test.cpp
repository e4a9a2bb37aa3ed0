// The table of styles as both of its readers use it: each style's menu line, as the settings
// window writes it, read back by quotemill-host and run by the worker, quotes with that style.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "arguments.h"
#include "menu_entries.h"
#include "menu_lines.h"
#include "quote_builder.h"
#include "styles.h"
#include "text.h"

namespace qm {
namespace {

using settings::FormChoices;

const std::string kProgram = "/usr/bin/quotemill";
const std::string U = "http://example.com/p";
const std::string H = "<a href=\"" + U + "\"";
const std::string T = "L1\r\nL2";  // six bytes

struct Case {
  const char* name;
  Style style;
  std::function<void(FormChoices&)> tick;
  std::string want;  // the quote of T
};

std::vector<Case> cases() {
  return {
      {"a tag", Style::Link, [](FormChoices& c) { c.a_tag = true; }, H + ">L1\r\nL2</a>"},
      {"a tag with target", Style::LinkWithTarget, [](FormChoices& c) { c.a_tag = c.a_target = true; },
       H + " target=\"_top\">L1\r\nL2</a>"},
      {"blockquote", Style::Quotation,
       [](FormChoices& c) {
         c.blockquote = true;
         c.quote_threshold = "6";
       },
       "<blockquote cite=\"" + U + "\"><p>L1\r\nL2</p></blockquote>"},
      {"blockquote of a text shorter than its number", Style::Quotation,
       [](FormChoices& c) {
         c.blockquote = true;
         c.quote_threshold = "7";
       },
       "<q cite=\"" + U + "\">L1\r\nL2</q>"},
      {"q tag", Style::InlineQuote, [](FormChoices& c) { c.q_tag = true; }, "<q cite=\"" + U + "\">L1\r\nL2</q>"},
      {"俺ニュース link", Style::NewsLink, [](FormChoices& c) { c.ore_news = true; },
       "L1\r\nL2\r\n" + H + ">" + U + "</a>"},
      {"俺ニュース link with target", Style::NewsLinkWithTarget,
       [](FormChoices& c) { c.ore_news = c.ore_target = true; },
       "L1\r\nL2\r\n" + H + " target=\"_top\">" + U + "</a>"},
      {"heading", Style::Heading, [](FormChoices& c) { c.hatena = true; }, "*" + H + ">L1\r\nL2</a>\r\n\r\n"},
  };
}

class StyleRoundTrip : public ::testing::TestWithParam<CodePage> {};
INSTANTIATE_TEST_SUITE_P(, StyleRoundTrip, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "Utf8" : "ShiftJis"; });

TEST_P(StyleRoundTrip, EachStyleLineQuotesWithItsFrame) {
  const CodePage& cp = GetParam();
  std::set<Style> seen;
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    FormChoices choices;
    choices.a_target_text = choices.ore_target_text = "_top";
    choices.quote_threshold = choices.join_threshold = "60";
    c.tick(choices);
    const settings::GeneratorRun run = settings::generate_menu_lines(choices, kProgram, cp);
    ASSERT_EQ(run.refusal, settings::Refusal::None);

    // The host reads what the clipboard gives the browser: UTF-8.
    const host::MenuLines read = host::parse_menu_lines(to_utf8(run.lines, cp));
    ASSERT_EQ(read.entries.size(), 1u) << run.lines;
    EXPECT_TRUE(read.refused.empty());
    const host::MenuEntry& entry = read.entries[0];
    EXPECT_EQ(entry.caption, style_row(c.style).caption);
    EXPECT_EQ(entry.program, kProgram);

    // The worker gets the argument text, the address in place of %u, as one argument.
    const std::string text = from_utf8(replace_all(entry.arguments, "%u", U, CodePage::utf8()), cp);
    const Arguments args(kProgram, split_command_line(text, cp));
    EXPECT_EQ(style_of(args[1]), c.style) << args[1];
    EXPECT_EQ(build_quote(args, url_attribute(args, cp), T, cp), c.want);
    seen.insert(c.style);
  }
  // Every row of the table has its line here.
  for (const StyleRow& row : style_rows()) EXPECT_TRUE(seen.contains(row.style)) << row.caption;
}

}  // namespace
}  // namespace qm

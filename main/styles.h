#pragma once
// The main worker's styles as one table: how its first argument names each, what stands before
// and after the text, whether the style carries a target or a number, and the caption of the
// menu entry the settings window writes for it. The worker and the settings window's menu-line
// generator both read it, so a style is added in one place.

#include <span>
#include <string>
#include <string_view>

namespace qm {

enum class Style { Link, LinkWithTarget, Quotation, InlineQuote, NewsLink, NewsLinkWithTarget, Heading, None };

// How a row matches the style argument: the whole text, letter case kept; or its beginning,
// ASCII letters folded.
enum class StyleMatch { Exact, PrefixIcase };

// What a style carries after its option.
enum class StyleValue { None, Target, Number };

struct StyleRow {
  Style style;
  std::string_view match;   // what the row compares with the style argument
  StyleMatch rule;
  std::string_view option;  // as a menu line writes it, before its value; the worker strips it to read the value
  StyleValue value;
  // What stands before and after the text: "%a" is the URL attribute, "%t" the target, "%u"
  // the URL and "%n" a line break.
  std::string_view head, tail;
  Style shorter;             // a number row: whose frame a text shorter than the number takes
  std::string_view caption;  // UTF-8: the menu entry's caption
};

// The rows in the order they are tried. Style::None has no row: it writes the text back as
// it is, which is no HTML.
std::span<const StyleRow> style_rows();
const StyleRow& style_row(Style style);  // not for Style::None

// The first row that matches `argument`, or Style::None.
Style style_of(std::string_view argument);

// The style argument as a menu line writes it: the option, then the target in single quotes
// or the number as given.
std::string style_argument(const StyleRow& row, std::string_view value);

struct Frame {
  std::string head, tail;
};

// The row's frame with its places filled, in one pass: an inserted text is not read again.
Frame fill_frame(const StyleRow& row, std::string_view attribute, std::string_view target, std::string_view url,
                 std::string_view line_break);

}  // namespace qm

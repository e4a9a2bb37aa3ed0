#include "styles.h"

#include <array>

#include "text.h"

namespace qm {
namespace {

using enum Style;
using enum StyleMatch;
constexpr StyleValue kNoValue = StyleValue::None, kTarget = StyleValue::Target, kNumber = StyleValue::Number;

constexpr char kLinkCaption[] = "aタグを挿入してコピー";
constexpr char kNewsCaption[] = "『俺ニュース』方式リンクでコピー";

// Tried in this order. An exact row takes its text as it stands, letter case kept; a prefix
// row any argument that begins with it, letter case ignored, and reads its target or number
// from the argument with the option taken out.
constexpr std::array<StyleRow, 7> kRows{{
    {Link, "-a", Exact, "-a", kNoValue, "<a href=%a>", "</a>", None, kLinkCaption},
    {LinkWithTarget, "-a", PrefixIcase, "-a=", kTarget, "<a href=%a target=%t>", "</a>", None, kLinkCaption},
    {Quotation, "-b", PrefixIcase, "-b", kNumber, "<blockquote cite=%a><p>", "</p></blockquote>", InlineQuote,
     "blockquoteタグを挿入してコピー"},
    {InlineQuote, "-q", Exact, "-q", kNoValue, "<q cite=%a>", "</q>", None, "qタグを挿入してコピー"},
    {NewsLink, "-o", Exact, "-o", kNoValue, "", "%n<a href=%a>%u</a>", None, kNewsCaption},
    {NewsLinkWithTarget, "-o", PrefixIcase, "-o=", kTarget, "", "%n<a href=%a target=%t>%u</a>", None, kNewsCaption},
    {Heading, "-hd", Exact, "-hd", kNoValue, "*<a href=%a>", "</a>%n%n", None,
     "はてなダイアリーの見出しっぽくコピー"},
}};

bool matches(const StyleRow& row, std::string_view argument) {
  return row.rule == Exact ? argument == row.match : starts_with_icase(argument, row.match);
}

std::string fill(std::string_view piece, std::string_view attribute, std::string_view target, std::string_view url,
                 std::string_view line_break) {
  auto value = [&](char place) -> std::string_view {
    switch (place) {
      case 'a': return attribute;
      case 't': return target;
      case 'u': return url;
      case 'n': return line_break;
    }
    return {};
  };
  // Room for each place once and a line break twice, as the rows hold them.
  std::string out = string_with_capacity(piece.size() + attribute.size() + target.size() + url.size() +
                                         2 * line_break.size());
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] == '%' && i + 1 < piece.size())
      out += value(piece[++i]);
    else
      out += piece[i];
  }
  return out;
}

}  // namespace

std::span<const StyleRow> style_rows() { return kRows; }

const StyleRow& style_row(Style style) {
  for (const StyleRow& row : kRows)
    if (row.style == style) return row;
  return kRows.front();
}

Style style_of(std::string_view argument) {
  for (const StyleRow& row : kRows)
    if (matches(row, argument)) return row.style;
  return None;
}

std::string style_argument(const StyleRow& row, std::string_view value) {
  std::string out(row.option);
  if (row.value == kTarget) {
    out += '\'';
    out += value;
    out += '\'';
  } else if (row.value == kNumber) {
    out += value;
  }
  return out;
}

Frame fill_frame(const StyleRow& row, std::string_view attribute, std::string_view target, std::string_view url,
                 std::string_view line_break) {
  return {fill(row.head, attribute, target, url, line_break), fill(row.tail, attribute, target, url, line_break)};
}

}  // namespace qm

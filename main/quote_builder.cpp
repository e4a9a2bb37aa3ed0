#include "quote_builder.h"

#include <cstdint>

#include "text.h"

namespace qm {
namespace {

std::string concat(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (auto p : pieces) size += p.size();
  std::string out = string_with_capacity(size);
  for (auto p : pieces) out.append(p);
  return out;
}

// The value of "-a=" or "-o=": single quotes become double quotes, the option goes.
std::string target_value(const std::string& style, std::string_view option, const CodePage& cp) {
  return replace_all_icase(replace_all(style, "'", "\"", cp), option, "", cp);
}

// What stands before and after the text in a style.
struct Frame {
  std::string head, tail;
};

Frame inline_quote(std::string_view attribute) { return {concat({"<q cite=", attribute, ">"}), "</q>"}; }

// The line-break threshold: the last "-d=" argument counts; -1 without one.
std::int32_t line_break_threshold(const Arguments& args, const CodePage& cp) {
  std::int32_t threshold = -1;
  for (int i = 1; i <= args.count(); ++i)
    if (starts_with_icase(args[i], "-d="))
      threshold = to_int32(replace_all_icase(args[i], "-d=", "0", cp), cp);
  return threshold;
}

// The rows of the style table, in the order they are tried; None writes the text back as
// it is, which is no HTML.
enum class Style { Link, LinkWithTarget, Quotation, InlineQuote, NewsLink, NewsLinkWithTarget, Heading, None };

Style style_of(const std::string& style) {
  if (style == "-a") return Style::Link;
  if (starts_with_icase(style, "-a")) return Style::LinkWithTarget;
  if (starts_with_icase(style, "-b")) return Style::Quotation;
  if (style == "-q") return Style::InlineQuote;
  if (style == "-o") return Style::NewsLink;
  if (starts_with_icase(style, "-o")) return Style::NewsLinkWithTarget;
  if (style == "-hd") return Style::Heading;
  return Style::None;
}

// The style's frame; `length()` is the text's length, which "-b" compares with its number.
template <class Length>
Frame style_frame(const Arguments& args, std::string_view a, std::string_view line_break, Length length,
                  const CodePage& cp) {
  const std::string& style = args[1];
  const std::string& url = args[args.count()];
  switch (style_of(style)) {
    case Style::Link: return {concat({"<a href=", a, ">"}), "</a>"};
    case Style::LinkWithTarget:
      return {concat({"<a href=", a, " target=", target_value(style, "-a=", cp), ">"}), "</a>"};
    case Style::Quotation: {
      const std::int32_t threshold = to_int32(replace_all(style, "-b", "0", cp), cp);
      if (static_cast<std::int64_t>(length()) < threshold) return inline_quote(a);
      return {concat({"<blockquote cite=", a, "><p>"}), "</p></blockquote>"};
    }
    case Style::InlineQuote: return inline_quote(a);
    case Style::NewsLink: return {"", concat({line_break, "<a href=", a, ">", url, "</a>"})};
    case Style::NewsLinkWithTarget:
      return {"", concat({line_break, "<a href=", a, " target=", target_value(style, "-o=", cp), ">", url, "</a>"})};
    case Style::Heading: return {concat({"*<a href=", a, ">"}), concat({"</a>", line_break, line_break})};
    case Style::None: break;
  }
  return {};
}

}  // namespace

std::string url_attribute(const Arguments& args, const CodePage& cp) {
  const std::string& url = args[args.count()];
  const std::string& c = args[args.count() - 1];
  if (!starts_with_icase(c, "-c=")) return concat({"\"", url, "\""});
  const std::string klass = replace_all_icase(replace_all(c, "'", "\"", cp), "-c=", "", cp);
  return concat({"\"", url, "\" class=", klass});
}

Text build_quote(const Arguments& args, const std::string& attribute, Text text, const CodePage& cp,
                 std::span<const std::size_t> references) {
  // Every style but the last makes HTML, in which the page's text must read as text. Lengths
  // keep counting the text as read.
  std::size_t escaped = 0;
  if (style_of(args[1]) != Style::None) {
    const std::size_t as_read = text.bytes.size();
    text.bytes = escape_html(std::move(text.bytes), references);
    escaped = text.bytes.size() - as_read;
  }
  auto length = [&] { return crlf_size(text) - escaped; };
  const std::int32_t threshold = line_break_threshold(args, cp);
  if (threshold >= 0 && static_cast<std::uint64_t>(threshold) >= length())
    text = replace_line_breaks(std::move(text), " ");
  const Frame frame = style_frame(args, attribute, "\r\n", length, cp);
  // Each "-h" or "-x" converts every line break once more, the tags of later ones standing
  // nearer the break; as no tag holds a line break, one pass puts them all in place, in the
  // text and in the frame's tail alike, together with the frame.
  std::string tags;
  for (int i = 1; i <= args.count(); ++i) {
    if (args[i] == "-h")
      tags += "<br>";
    else if (args[i] == "-x")
      tags += "<br />";
  }
  const Text head = frame_and_mark(frame.head, "", tags, "");
  const Text tail = frame_and_mark(frame.tail, "", tags, "");
  return frame_and_mark(std::move(text), head.bytes, tags, tail.bytes);
}

void run_worker(const Arguments& args, CountedClipboard& clipboard, const CodePage& cp) {
  const std::string attribute = url_attribute(args, cp);
  ClipboardHold hold(clipboard);
  ReadText read = clipboard.read_text();
  clipboard.write_text(build_quote(args, attribute, std::move(read.text), cp, read.references));
}

}  // namespace qm

#include "quote_builder.h"

#include <cstdint>

#include "styles.h"
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

// The line-break threshold: the last "-d=" argument counts; -1 without one.
std::int32_t line_break_threshold(const Arguments& args, const CodePage& cp) {
  std::int32_t threshold = -1;
  for (int i = 1; i <= args.count(); ++i)
    if (starts_with_icase(args[i], "-d="))
      threshold = to_int32(replace_all_icase(args[i], "-d=", "0", cp), cp);
  return threshold;
}

// The style's frame, from its row of the table; `length()` is the text's length, which "-b"
// compares with its number.
template <class Length>
Frame style_frame(const Arguments& args, std::string_view a, std::string_view line_break, Length length,
                  const CodePage& cp) {
  const std::string& style = args[1];
  const std::string& url = args[args.count()];
  const Style s = style_of(style);
  if (s == Style::None) return {};
  const StyleRow& row = style_row(s);
  switch (row.value) {
    case StyleValue::Target: return fill_frame(row, a, target_value(style, row.option, cp), url, line_break);
    case StyleValue::Number: {
      const std::int32_t threshold = to_int32(replace_all(style, row.option, "0", cp), cp);
      if (static_cast<std::int64_t>(length()) < threshold)
        return fill_frame(style_row(row.shorter), a, "", url, line_break);
      break;
    }
    case StyleValue::None: break;
  }
  return fill_frame(row, a, "", url, line_break);
}

}  // namespace

std::string url_attribute(const Arguments& args, const CodePage& cp) {
  const std::string& url = args[args.count()];
  const std::string& c = args[args.count() - 1];
  if (!starts_with_icase(c, "-c=")) return concat({"\"", url, "\""});
  const std::string klass = replace_all_icase(replace_all(c, "'", "\"", cp), "-c=", "", cp);
  return concat({"\"", url, "\" class=", klass});
}

bool quotes_as_html(const Arguments& args) { return style_of(args[1]) != Style::None; }

Text build_quote(const Arguments& args, const std::string& attribute, Text text, const CodePage& cp,
                 std::span<const std::size_t> references) {
  // In HTML the page's text must read as text. Lengths keep counting the text as read.
  std::size_t escaped = 0;
  if (quotes_as_html(args)) {
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

}  // namespace qm

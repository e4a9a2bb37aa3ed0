#include "quote_builder.h"

#include <cstdint>

#include "text.h"

namespace qm {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

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

std::string enclose(std::string head, std::string text, std::string_view tail);

std::string inline_quote(std::string_view attribute, std::string text) {
  return enclose(concat({"<q cite=", attribute, ">"}), std::move(text), "</q>");
}

// The line-break threshold: the last "-d=" argument counts; -1 without one.
std::int32_t line_break_threshold(const Arguments& args, const CodePage& cp) {
  std::int32_t threshold = -1;
  for (int i = 1; i <= args.count(); ++i)
    if (starts_with_icase(args[i], "-d="))
      threshold = to_int32(replace_all_icase(args[i], "-d=", "0", cp), cp);
  return threshold;
}

// The text between `head` and `tail`, built where the text lies when it has room, so that a
// large selection is moved once rather than copied.
std::string enclose(std::string head, std::string text, std::string_view tail) {
  if (text.capacity() < head.size() + text.size() + tail.size())
    return concat({head, text, tail});
  text.insert(0, head);
  text.append(tail);
  return text;
}

std::string wrap(const Arguments& args, std::string_view a, std::string text, const CodePage& cp) {
  const std::string& style = args[1];
  const std::string& url = args[args.count()];
  if (style == "-a") return enclose(concat({"<a href=", a, ">"}), std::move(text), "</a>");
  if (starts_with_icase(style, "-a"))
    return enclose(concat({"<a href=", a, " target=", target_value(style, "-a=", cp), ">"}), std::move(text), "</a>");
  if (starts_with_icase(style, "-b")) {
    const std::int32_t threshold = to_int32(replace_all(style, "-b", "0", cp), cp);
    if (static_cast<std::int64_t>(text.size()) < threshold) return inline_quote(a, std::move(text));
    return enclose(concat({"<blockquote cite=", a, "><p>"}), std::move(text), "</p></blockquote>");
  }
  if (style == "-q") return inline_quote(a, std::move(text));
  if (style == "-o") return enclose("", std::move(text), concat({kLineBreak, "<a href=", a, ">", url, "</a>"}));
  if (starts_with_icase(style, "-o"))
    return enclose("", std::move(text),
                   concat({kLineBreak, "<a href=", a, " target=", target_value(style, "-o=", cp), ">", url, "</a>"}));
  if (style == "-hd") return enclose(concat({"*<a href=", a, ">"}), std::move(text), "</a>\r\n\r\n");
  return text;
}

}  // namespace

std::string url_attribute(const Arguments& args, const CodePage& cp) {
  const std::string& url = args[args.count()];
  const std::string& c = args[args.count() - 1];
  if (!starts_with_icase(c, "-c=")) return concat({"\"", url, "\""});
  const std::string klass = replace_all_icase(replace_all(c, "'", "\"", cp), "-c=", "", cp);
  return concat({"\"", url, "\" class=", klass});
}

std::string build_quote(const Arguments& args, const std::string& attribute, std::string text,
                        const CodePage& cp) {
  const std::int32_t threshold = line_break_threshold(args, cp);
  if (threshold >= 0 && static_cast<std::uint64_t>(threshold) >= text.size())
    text = replace_all(std::move(text), kLineBreak, " ", cp);
  text = wrap(args, attribute, std::move(text), cp);
  // Each "-h" or "-x" converts every line break once more, the tags of later ones standing
  // nearer the break; as no tag holds a line break, one pass puts them all in place.
  std::string tags;
  for (int i = 1; i <= args.count(); ++i) {
    if (args[i] == "-h")
      tags += "<br>";
    else if (args[i] == "-x")
      tags += "<br />";
  }
  return insert_before_crlf(std::move(text), tags);
}

void run_worker(const Arguments& args, CountedClipboard& clipboard, const CodePage& cp) {
  const std::string attribute = url_attribute(args, cp);
  ClipboardHold hold(clipboard);
  std::string quote = build_quote(args, attribute, clipboard.read_text(), cp);
  clipboard.write_text(std::move(quote));
}

}  // namespace qm

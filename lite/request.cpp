#include "request.h"

#include <cstdint>

#include "error.h"
#include "text.h"
#include "messages.h"
#include "title.h"

namespace qm::lite {
namespace {

// The value of an option argument: the argument with its first "-x=" removed.
std::string option_value(const ArgumentList& args, int index, std::string_view prefix) {
  std::string value = Argument(args, index);
  ReplaceFirst(value, prefix, "");
  return value;
}

}  // namespace

void ProcessRequest(const ArgumentList& args, Services& s) {
  const int n = static_cast<int>(args.size());
  if (n == 0) {
    s.show_notice_window(kVersionText);
    return;
  }

  const std::string& url = Argument(args, n);
  const std::size_t scheme_end = url.find("://");
  if (scheme_end == std::string::npos) {
    ShowNotice(s.boxes, kNotUrlMessage);
    for (const std::string& arg : args) ShowNotice(s.boxes, to_utf8(arg, s.cp));
    return;
  }
  const std::string url_rest = url.substr(scheme_end + 3);

  std::optional<ReadText> read = s.clipboard.read_text();
  if (!read) {
    // Building from an empty text would replace the user's selection with an empty quote.
    ShowNotice(s.boxes, kCannotOpenClipboard);
    return;
  }
  Text text = std::move(read->text);
  // Every template but the bare text is HTML, in which the page's text must read as text,
  // and which is offered as HTML too. Lengths keep counting the text as read.
  const bool html = KindOfTemplate(Argument(args, 1)) != TemplateKind::BareText;
  std::size_t escaped = 0;
  if (html) {
    const std::size_t as_read = text.bytes.size();
    text.bytes = escape_html(std::move(text.bytes), read->references);
    escaped = text.bytes.size() - as_read;
  }
  auto length = [&text, escaped] { return crlf_size(text) - escaped; };

  if (const auto d = FindOption(args, "-d")) {
    const std::int64_t limit = ReadInteger(option_value(args, *d, "-d="));
    if (static_cast<std::int64_t>(length()) <= limit) text = replace_line_breaks(std::move(text), "", true);
  }

  const std::optional<std::string> tmpl =
      ChooseTemplate(Argument(args, 1), Argument(args, 2), length(), s.read_file, s.cp, s.boxes);
  if (!tmpl) return;  // the user template is missing: the selection stays on the clipboard

  std::string class_text;
  if (const auto c = FindOption(args, "-c")) class_text = "class=\"" + option_value(args, *c, "-c=") + "\" ";

  const std::string title = CaptureTitle(s.foreground, s.cp, s.boxes);
  Text output = ExpandTemplate(*tmpl, title, class_text, url, url_rest, std::move(text));

  if (FindOption(args, "-h"))
    output = mark_first_line_break(std::move(output), "<br>");
  else if (FindOption(args, "-x"))
    output = mark_first_line_break(std::move(output), "<br />");

  // The clipboard's text ends at its first NUL, which only a binary template can bring in:
  // the readers would see no more, and X11 text targets carry no NUL.
  if (const std::size_t nul = output.bytes.find('\0'); nul != std::string::npos) output.bytes.resize(nul);
  // A failed write leaves the clipboard as it was; nothing to tell.
  s.clipboard.write_text(std::move(output), html ? Forms::TextAndHtml : Forms::Text);
}

}  // namespace qm::lite

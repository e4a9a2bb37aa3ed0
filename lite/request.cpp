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

  // The text keeps its line breaks as it was read where they are lone LFs: then each LF is
  // one of its line breaks, and neither edge converts them.
  std::optional<LinedText> read = s.clipboard.read_lined_text();
  if (!read) {
    // Building from an empty text would replace the user's selection with an empty quote.
    ShowNotice(s.boxes, kCannotOpenClipboard);
    return;
  }
  LinedText text = std::move(*read);
  // Every template but the bare text is HTML, in which the page's text must read as text.
  // Lengths keep counting the text as read, and each line break as CR LF, whichever form the
  // text has.
  std::size_t escaped = 0;
  if (KindOfTemplate(Argument(args, 1)) != TemplateKind::BareText) {
    const std::size_t as_read = text.text.size();
    text.text = escape_html(std::move(text.text), text.references);
    escaped = text.text.size() - as_read;
  }
  auto length = [&text, escaped] {
    return text.text.size() - escaped +
           (text.line_break == LineBreak::Lf ? count_line_breaks(text.text, LineBreak::Lf) : 0);
  };

  if (const auto d = FindOption(args, "-d")) {
    const std::int64_t limit = ReadInteger(option_value(args, *d, "-d="));
    if (static_cast<std::int64_t>(length()) <= limit) ReplaceFirst(text.text, line_break_text(text.line_break), "");
  }

  const std::optional<std::string> tmpl =
      ChooseTemplate(Argument(args, 1), Argument(args, 2), length(), s.read_file, s.cp, s.boxes);
  if (!tmpl) return;  // the user template is missing: the selection stays on the clipboard

  std::string class_text;
  if (const auto c = FindOption(args, "-c")) class_text = "class=\"" + option_value(args, *c, "-c=") + "\" ";

  const std::string title = CaptureTitle(s.foreground, s.cp, s.boxes);
  // A template or a value with a CR or LF of its own would mix its bytes with the text's
  // line breaks: then the text takes the programs' CR LF, as the template does.
  if (text.line_break == LineBreak::Lf) {
    for (std::string_view part : {std::string_view(*tmpl), std::string_view(title), std::string_view(class_text),
                                  std::string_view(url), std::string_view(url_rest)}) {
      if (part.find_first_of("\r\n") != std::string_view::npos) {
        text = {lf_to_crlf(std::move(text.text)), LineBreak::CrLf};
        break;
      }
    }
  }
  const std::string_view br = line_break_text(text.line_break);
  std::string output = ExpandTemplate(*tmpl, title, class_text, url, url_rest, std::move(text.text));

  if (FindOption(args, "-h"))
    ReplaceFirst(output, br, "<br>" + std::string(br));
  else if (FindOption(args, "-x"))
    ReplaceFirst(output, br, "<br />" + std::string(br));

  // The clipboard's text ends at its first NUL, which only a binary template can bring in:
  // the readers would see no more, and X11 text targets carry no NUL.
  if (const std::size_t nul = output.find('\0'); nul != std::string::npos) output.resize(nul);
  // A failed write leaves the clipboard as it was; nothing to tell.
  s.clipboard.write_text(LinedText{std::move(output), text.line_break});
}

}  // namespace qm::lite

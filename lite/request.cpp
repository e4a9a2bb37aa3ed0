#include "request.h"

#include <cstdint>

#include "error.h"
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

  std::optional<std::string> read = s.clipboard.read_text();
  if (!read) {
    // Building from an empty text would replace the user's selection with an empty quote.
    ShowNotice(s.boxes, kCannotOpenClipboard);
    return;
  }
  std::string text = std::move(*read);

  if (const auto d = FindOption(args, "-d")) {
    const std::int64_t limit = ReadInteger(option_value(args, *d, "-d="));
    if (static_cast<std::int64_t>(text.size()) <= limit) ReplaceFirst(text, "\r\n", "");
  }

  const std::optional<std::string> tmpl =
      ChooseTemplate(Argument(args, 1), Argument(args, 2), text.size(), s.read_file, s.boxes);
  if (!tmpl) return;  // the user template is missing: the selection stays on the clipboard

  std::string class_text;
  if (const auto c = FindOption(args, "-c")) class_text = "class=\"" + option_value(args, *c, "-c=") + "\" ";

  const std::string title = CaptureTitle(s.foreground, s.cp, s.boxes);
  std::string output = ExpandTemplate(*tmpl, title, class_text, url, url_rest, std::move(text));

  if (FindOption(args, "-h"))
    ReplaceFirst(output, "\r\n", "<br>\r\n");
  else if (FindOption(args, "-x"))
    ReplaceFirst(output, "\r\n", "<br />\r\n");

  // The clipboard's text ends at its first NUL, which only a binary template can bring in:
  // the readers would see no more, and X11 text targets carry no NUL.
  if (const std::size_t nul = output.find('\0'); nul != std::string::npos) output.resize(nul);
  s.clipboard.write_text(std::move(output));  // a failed write leaves the clipboard as it was; nothing to tell
}

}  // namespace qm::lite

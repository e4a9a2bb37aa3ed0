#include "templates.h"

#include <cstdint>

#include "arguments.h"
#include "messages.h"
#include "regular_file.h"
#include "text.h"

namespace qm::lite {

std::optional<std::string> ReadFileFromDisk(const std::string& name) {
  return read_regular_file(name, kTemplateFileLimit);
}

std::string TemplateFromFile(std::string bytes, const CodePage& cp) {
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (cp.is_utf8() || !bytes.starts_with(kUtf8Mark)) return bytes;
  return from_utf8(std::string_view(bytes).substr(kUtf8Mark.size()), cp);
}

std::optional<std::string> LoadTemplateFile(std::string name, const FileReader& read, const CodePage& cp,
                                            MessageBoxes& boxes) {
  if (!name.empty() && name.front() == '\\') name.erase(0, 1);
  std::optional<std::string> content = name.empty() ? std::nullopt : read(name);
  if (content) content = TemplateFromFile(std::move(*content), cp);
  if (!content || content->empty()) {
    ShowNotice(boxes, kNoFileMessage);
    return std::nullopt;
  }
  return content;
}

TemplateKind KindOfTemplate(const std::string& style) {
  if (style == "-a") return TemplateKind::Link;
  if (style.find("-b") != std::string::npos || style.find("-q") != std::string::npos) return TemplateKind::Quotation;
  if (style == "-u") return TemplateKind::User;
  return TemplateKind::BareText;
}

std::optional<std::string> ChooseTemplate(const std::string& style, const std::string& second,
                                          std::size_t text_length, const FileReader& read, const CodePage& cp,
                                          MessageBoxes& boxes) {
  switch (KindOfTemplate(style)) {
    case TemplateKind::Link: return kLinkTemplate;
    case TemplateKind::Quotation: {
      std::string copy = style;
      if (!ReplaceFirst(copy, "-b", "0")) ReplaceFirst(copy, "-q", "2147483647");
      const std::int64_t threshold = ReadInteger(copy);
      return static_cast<std::int64_t>(text_length) > threshold ? kBlockQuoteTemplate : kInlineQuoteTemplate;
    }
    case TemplateKind::User: {
      const bool default_name = (!second.empty() && second.front() == '-') || second == "%u";
      return LoadTemplateFile(default_name ? "user.txt" : second, read, cp, boxes);
    }
    case TemplateKind::BareText: break;
  }
  ShowNotice(boxes, kRemovedStyleMessage);
  return kBareTextTemplate;
}

namespace {

std::string expand(std::string_view tmpl, std::string_view title, std::string_view class_text, std::string_view url,
                   std::string_view url_rest, std::string_view text) {
  std::string out = string_with_capacity(tmpl.size() + title.size() + class_text.size() + url.size() + text.size());
  for (std::size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] != '%') {
      out += tmpl[i];
      continue;
    }
    if (++i == tmpl.size()) break;
    switch (tmpl[i]) {
      case 't': out += title; break;
      case 'c': out += class_text; break;
      case 'u': out += url; break;
      case 'U': out += url_rest; break;
      case 'C': out += text; break;
      default: out += tmpl[i]; break;  // "%%" included
    }
  }
  return out;
}

}  // namespace

Text ExpandTemplate(std::string_view tmpl, std::string_view title, std::string_view class_text,
                    std::string_view url, std::string_view url_rest, Text text) {
  // Where the template holds the text once, as every built-in one does, the rest is built
  // around it in the text's own buffer: a large selection is not copied.
  std::size_t at = std::string_view::npos;
  int texts = 0;
  for (std::size_t i = 0; i + 1 < tmpl.size(); ++i) {
    if (tmpl[i] != '%') continue;
    if (tmpl[++i] == 'C') {
      at = i - 1;
      ++texts;
    }
  }
  if (texts != 1) return expand(tmpl, title, class_text, url, url_rest, crlf_bytes(std::move(text)));
  const std::string head = expand(tmpl.substr(0, at), title, class_text, url, url_rest, "");
  const std::string tail = expand(tmpl.substr(at + 2), title, class_text, url, url_rest, "");
  return frame_and_mark(std::move(text), head, "", tail);
}

}  // namespace qm::lite

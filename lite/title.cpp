#include "title.h"

#include <vector>

#include "messages.h"
#include "text.h"

namespace qm::lite {
namespace {

// The caption with where its conversion wrote references (see from_utf8); those past the
// cut are never looked at.
struct Caption {
  std::string text;
  std::vector<std::size_t> references;
};

Caption read_caption(ForegroundWindow& window, const CodePage& cp) {
  Caption c;
  c.text = from_utf8(window.caption(), cp, &c.references);
  if (c.text.size() > kCaptionLimit) c.text.resize(kCaptionLimit);
  if (const std::size_t nul = c.text.find('\0'); nul != std::string::npos) c.text.resize(nul);
  return c;
}

}  // namespace

std::string ReadWindowText(ForegroundWindow& window, const CodePage& cp) { return read_caption(window, cp).text; }

std::optional<std::string> TitleFromCaption(std::string_view caption) {
  // rfind sees the last start position, so "a - - b" yields "a -".
  const std::size_t at = caption.rfind(" - ");
  if (at == std::string_view::npos) return std::nullopt;
  return std::string(caption.substr(0, at));
}

std::string CaptureTitle(ForegroundWindow& window, const CodePage& cp, MessageBoxes& boxes) {
  // A reference cut by the limit lies after the last separator, never in the title.
  const Caption caption = read_caption(window, cp);
  if (std::optional<std::string> title = TitleFromCaption(caption.text))
    return escape_html(std::move(*title), caption.references);
  ShowNotice(boxes, kNoTitleMessage);
  return {};
}

}  // namespace qm::lite

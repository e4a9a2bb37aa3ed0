#include "title.h"

#include "messages.h"

namespace qm::lite {

std::string ReadWindowText(ForegroundWindow& window, const CodePage& cp) {
  std::string text = from_utf8(window.caption(), cp);
  if (text.size() > kCaptionLimit) text.resize(kCaptionLimit);
  if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

std::optional<std::string> TitleFromCaption(std::string_view caption) {
  // rfind sees the last start position, so "a - - b" yields "a -".
  const std::size_t at = caption.rfind(" - ");
  if (at == std::string_view::npos) return std::nullopt;
  return std::string(caption.substr(0, at));
}

std::string CaptureTitle(ForegroundWindow& window, const CodePage& cp, MessageBoxes& boxes) {
  if (std::optional<std::string> title = TitleFromCaption(ReadWindowText(window, cp))) return *title;
  ShowNotice(boxes, kNoTitleMessage);
  return {};
}

}  // namespace qm::lite

#pragma once
// The page title: the foreground window's caption up to its last " - ".

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "codepage.h"
#include "foreground.h"
#include "message_box.h"

namespace qm::lite {

// A caption is read into a buffer of 1024 bytes with its NUL.
inline constexpr std::size_t kCaptionLimit = 1023;

// The caption in the code page, cut at 1023 bytes and at its first NUL.
std::string ReadWindowText(ForegroundWindow& window, const CodePage& cp);

// The bytes before the last " - " (overlapping occurrences count); nullopt without one.
std::optional<std::string> TitleFromCaption(std::string_view caption);

// The page title, or the empty text after the message "エラー!!タイトルがうまく取得できません".
// It comes from the page and goes only into HTML templates, so it is escaped (escape_html).
std::string CaptureTitle(ForegroundWindow& window, const CodePage& cp, MessageBoxes& boxes);

}  // namespace qm::lite

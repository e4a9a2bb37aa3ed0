#pragma once
// The notice window of quotemill3 on Windows.

#include <string>

namespace qm::lite {

// Shows the notice window with `text` (UTF-8, CR LF line breaks) and runs the window loop
// until the user dismisses it.
void RunNoticeWindow(const std::string& text);

}  // namespace qm::lite

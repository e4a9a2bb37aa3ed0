// quotemill3's title capture: any caption, under UTF-8 or Shift-JIS, gives at most 1023
// bytes without NUL, and the title is exactly what stands before the caption's last " - ",
// escaped for HTML with no markup of its own left.

#include <fuzzer/FuzzedDataProvider.h>

#include "check.h"
#include "messages.h"
#include "title.h"

using namespace qm;
using namespace qm::lite;
using namespace qm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = code_page_for(in.ConsumeIntegral<unsigned char>());
  FixedForegroundWindow window(in.ConsumeRemainingBytesAsString());

  const std::string text = ReadWindowText(window, cp);
  QM_FUZZ_CHECK(text.size() <= kCaptionLimit);
  QM_FUZZ_CHECK(text.find('\0') == std::string::npos);
  if (cp.is_utf8()) QM_FUZZ_CHECK(window.text.starts_with(text));

  const std::optional<std::string> title = TitleFromCaption(text);
  QM_FUZZ_CHECK(title.has_value() == (text.find(" - ") != std::string::npos));
  if (title) {
    QM_FUZZ_CHECK(text.starts_with(*title));
    QM_FUZZ_CHECK(text.compare(title->size(), 3, " - ") == 0);
    QM_FUZZ_CHECK(text.find(" - ", title->size() + 1) == std::string::npos);
  }

  RecordedBoxes boxes;
  const std::string captured = CaptureTitle(window, cp, boxes);
  QM_FUZZ_CHECK(unescaped_html(captured) == title.value_or(""));
  QM_FUZZ_CHECK(captured.find_first_of("<>\"") == std::string::npos);
  QM_FUZZ_CHECK(boxes.shown.size() == (title ? 0u : 1u));
  if (!title) QM_FUZZ_CHECK(boxes.shown[0].text == kNoTitleMessage);
  return 0;
}

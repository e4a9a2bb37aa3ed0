#include "worker.h"

#include "quote_builder.h"

namespace qm {

void run_worker(const Arguments& args, CountedClipboard& clipboard, const CodePage& cp) {
  const std::string attribute = url_attribute(args, cp);
  ClipboardHold hold(clipboard);
  // The text goes through as it was read, and back the same way.
  LinedText text = clipboard.read_lined_text();
  text.text = build_quote(args, attribute, std::move(text.text), cp, text.line_break, text.references);
  clipboard.write_text(std::move(text));
}

}  // namespace qm

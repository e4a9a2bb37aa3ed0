#include "worker.h"

#include "quote_builder.h"

namespace qm {

void run_worker(const Arguments& args, CountedClipboard& clipboard, const CodePage& cp) {
  const std::string attribute = url_attribute(args, cp);
  ClipboardHold hold(clipboard);
  ReadText read = clipboard.read_text();
  clipboard.write_text(build_quote(args, attribute, std::move(read.text), cp, read.references),
                       quotes_as_html(args) ? Forms::TextAndHtml : Forms::Text);
}

}  // namespace qm

// quotemill3's template choice and expansion. Properties: a template without "%" expands to
// itself; a text whose every "%" is doubled expands back to the text; each value is inserted
// as it is; the choice is always one of the built-in templates or the file's bytes, and says
// so in a box exactly when its rules say.

#include <fuzzer/FuzzedDataProvider.h>

#include "check.h"
#include "messages.h"
#include "templates.h"

using namespace qm;
using namespace qm::lite;

namespace {

std::string doubled_percent(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string style = in.ConsumeRandomLengthString(32);
  const std::string second = in.ConsumeRandomLengthString(32);
  const std::string title = in.ConsumeRandomLengthString(64);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::size_t length = in.ConsumeIntegral<std::uint32_t>();
  const std::string tmpl = in.ConsumeRemainingBytesAsString();

  const std::string out = ExpandTemplate(tmpl, title, value, value, value, value).bytes;
  if (tmpl.find('%') == std::string::npos) QM_FUZZ_CHECK(out == tmpl);
  QM_FUZZ_CHECK(ExpandTemplate(doubled_percent(tmpl), title, value, value, value, value).bytes == tmpl);
  QM_FUZZ_CHECK(ExpandTemplate("%t|%c|%u|%U|%C", title, "c", "u", "U", tmpl).bytes == title + "|c|u|U|" + tmpl);
  // Inserted values are never scanned again.
  QM_FUZZ_CHECK(ExpandTemplate("%C", title, "", "", "", tmpl).bytes == tmpl);

  std::string asked;
  const FileReader reader = [&](const std::string& name) -> std::optional<std::string> {
    asked = name;
    return tmpl;
  };
  RecordedBoxes boxes;
  const std::optional<std::string> chosen = ChooseTemplate(style, second, length, reader, CodePage::utf8(), boxes);
  QM_FUZZ_CHECK(boxes.shown.size() <= 1);
  if (style == "-a") QM_FUZZ_CHECK(chosen == kLinkTemplate && boxes.shown.empty());
  if (!chosen) {
    QM_FUZZ_CHECK(style == "-u" && boxes.shown.size() == 1 && boxes.shown[0].text == kNoFileMessage);
    return 0;
  }
  const bool builtin = *chosen == kLinkTemplate || *chosen == kInlineQuoteTemplate ||
                       *chosen == kBlockQuoteTemplate || *chosen == kBareTextTemplate;
  QM_FUZZ_CHECK(builtin || (style == "-u" && *chosen == tmpl));
  if (*chosen == kBareTextTemplate && style != "-u")
    QM_FUZZ_CHECK(boxes.shown.size() == 1 && boxes.shown[0].text == kRemovedStyleMessage);
  if (style == "-u" && !asked.empty()) QM_FUZZ_CHECK(!asked.starts_with("\\") || second.starts_with("\\\\"));
  // The kind that decides whether the text is escaped names the template chosen.
  switch (KindOfTemplate(style)) {
    case TemplateKind::Link: QM_FUZZ_CHECK(*chosen == kLinkTemplate); break;
    case TemplateKind::Quotation:
      QM_FUZZ_CHECK(*chosen == kInlineQuoteTemplate || *chosen == kBlockQuoteTemplate);
      break;
    case TemplateKind::User: QM_FUZZ_CHECK(!asked.empty()); break;
    case TemplateKind::BareText: QM_FUZZ_CHECK(*chosen == kBareTextTemplate && !boxes.shown.empty()); break;
  }
  if (style == "-q" && length <= 2147483647u) QM_FUZZ_CHECK(*chosen == kInlineQuoteTemplate);
  if (style == "-b") QM_FUZZ_CHECK(*chosen == (length > 0 ? kBlockQuoteTemplate : kInlineQuoteTemplate));
  return 0;
}

// quotemill's quote builder: any arguments and text give a quote or the number error,
// never a fault. Properties: without style, "-d=", "-h" or "-x" the text comes back
// unchanged; the plain styles wrap the escaped text exactly; escaping leaves no markup of
// the text and undoes to it; "-h" puts "<br>" before every line break of the text; a number
// error names the text that failed.

#include <fuzzer/FuzzedDataProvider.h>

#include "arguments.h"
#include "check.h"
#include "error.h"
#include "quote_builder.h"
#include "text.h"

using namespace qm;
using namespace qm::fuzz;

namespace {

bool is_option(const std::string& arg) {
  return starts_with_icase(arg, "-d=") || arg == "-h" || arg == "-x";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = code_page_for(in.ConsumeIntegral<unsigned char>());
  const std::string line = in.ConsumeRandomLengthString(256);
  const std::string text = in.ConsumeRemainingBytesAsString();

  const Arguments args("/usr/bin/quotemill", split_command_line(line, cp));
  const std::string attribute = url_attribute(args, cp);
  QM_FUZZ_CHECK(attribute.starts_with("\"" + args.last() + "\""));

  std::string quote;
  try {
    quote = build_quote(args, attribute, text, cp).bytes;
  } catch (const Error& e) {
    // Only a number can fail, and its message quotes the text in the code page's UTF-8.
    QM_FUZZ_CHECK(std::string_view(e.what()).ends_with("' は整数ではありません"));
    return 0;
  }

  bool any_option = false;
  for (int i = 1; i <= args.count(); ++i) any_option = any_option || is_option(args[i]);
  const std::string& style = args[1];
  const bool styled = starts_with_icase(style, "-a") || starts_with_icase(style, "-b") ||
                      starts_with_icase(style, "-o") || style == "-q" || style == "-hd";
  if (!styled && !any_option) QM_FUZZ_CHECK(quote == text);

  const std::string html = escape_html(text);
  QM_FUZZ_CHECK(html.find_first_of("<>\"") == std::string::npos);
  QM_FUZZ_CHECK(unescaped_html(html) == text);
  if (!any_option) {
    if (style == "-a") QM_FUZZ_CHECK(quote == "<a href=" + attribute + ">" + html + "</a>");
    if (style == "-q") QM_FUZZ_CHECK(quote == "<q cite=" + attribute + ">" + html + "</q>");
    if (style == "-hd") QM_FUZZ_CHECK(quote == "*<a href=" + attribute + ">" + html + "</a>\r\n\r\n");
  }

  // A text of lone LFs, kept in that form as the clipboard edge hands over one read without
  // CR LF of its own, reaches an LF desktop as its CR LF form does.
  if (!contains_crlf(text)) {
    const Text lf_quote = build_quote(args, attribute, Text(text, true), cp);
    QM_FUZZ_CHECK((lf_quote.lf_breaks ? lf_quote.bytes : crlf_to_lf(lf_quote.bytes)) ==
                  crlf_to_lf(build_quote(args, attribute, lf_to_crlf(text), cp).bytes));
  }

  // One "-h" and nothing else that acts on line breaks: the same as one replacement.
  if (!styled && args.count() == 2 && args[1] == "-h" && !is_option(args[2]))
    QM_FUZZ_CHECK(quote == replace_all(text, "\r\n", "<br>\r\n", cp));
  return 0;
}

#pragma once
// The worker of quotemill: turns the clipboard text into the HTML of the style that the
// arguments name, citing the page. The page's text is escaped wherever the result is HTML;
// the arguments (the user's own entry and the address) pass as they are.

#include <span>
#include <string>

#include "arguments.h"
#include "codepage.h"
#include "text.h"

namespace qm {

// What stands after "<a href=", "<q cite=" or "<blockquote cite=": the quoted URL, with a
// class attribute when argument n - 1 is a "-c=" option.
std::string url_attribute(const Arguments& args, const CodePage& cp);

// Whether the arguments' result is HTML: every style row's is; the text written back as it
// is (no row matches) is not.
bool quotes_as_html(const Arguments& args);

// The quote text for `text`: the "-d=" threshold, the style, then one line-break conversion
// per "-h" or "-x". Throws Error when a number does not convert. A style that makes HTML
// escapes the text first (escape_html, keeping the conversion's `references`); lengths count
// the text as read.
Text build_quote(const Arguments& args, const std::string& attribute, Text text, const CodePage& cp,
                 std::span<const std::size_t> references = {});

}  // namespace qm

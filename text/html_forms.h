#pragma once
// The HTML form of a result on the clipboard, beside its text: visual editors paste HTML as
// what it shows, text fields take the text, the source. The form holds exactly the result's
// characters (UTF-8); each desktop wraps them in its own envelope.

#include <string>
#include <string_view>

namespace qm {

// X11 and Wayland `text/html`: the fragment after a charset declaration, as browsers write
// it themselves, so that no reader guesses the encoding.
std::string html_with_charset(std::string_view fragment);

// Windows "HTML Format" (CF_HTML): a header of byte offsets (StartHTML, EndHTML,
// StartFragment, EndFragment, ten digits each) before a document whose fragment markers
// enclose exactly `fragment`.
std::string cf_html(std::string_view fragment);

}  // namespace qm

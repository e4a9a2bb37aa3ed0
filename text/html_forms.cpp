#include "html_forms.h"

#include <cstdio>

namespace qm {
namespace {

constexpr std::string_view kCharset = "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">";

constexpr std::string_view kHeader =
    "Version:0.9\r\n"
    "StartHTML:0000000000\r\n"
    "EndHTML:0000000000\r\n"
    "StartFragment:0000000000\r\n"
    "EndFragment:0000000000\r\n";
constexpr std::string_view kBefore = "<html><body>\r\n<!--StartFragment-->";
constexpr std::string_view kAfter = "<!--EndFragment-->\r\n</body></html>";

// Writes `value` over the ten digits that follow `field` in the header.
void put_offset(std::string& out, std::string_view field, std::size_t value) {
  char digits[11];
  std::snprintf(digits, sizeof digits, "%010zu", value);
  out.replace(out.find(field) + field.size(), 10, digits, 10);
}

}  // namespace

std::string html_with_charset(std::string_view fragment) {
  std::string out;
  out.reserve(kCharset.size() + fragment.size());
  out.append(kCharset).append(fragment);
  return out;
}

std::string cf_html(std::string_view fragment) {
  std::string out;
  out.reserve(kHeader.size() + kBefore.size() + fragment.size() + kAfter.size());
  out.append(kHeader).append(kBefore).append(fragment).append(kAfter);
  // The header's own length is fixed (ten digits a field), so the offsets are known before
  // they are written.
  put_offset(out, "StartHTML:", kHeader.size());
  put_offset(out, "EndHTML:", out.size());
  put_offset(out, "StartFragment:", kHeader.size() + kBefore.size());
  put_offset(out, "EndFragment:", kHeader.size() + kBefore.size() + fragment.size());
  return out;
}

}  // namespace qm

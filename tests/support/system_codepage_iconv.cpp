#include <iconv.h>

#include "system_codepage.h"

namespace qm {
namespace {

std::optional<std::string> convert(const std::string& text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char buffer[64];
  char* src = const_cast<char*>(text.data());
  char* dst = buffer;
  std::size_t src_left = text.size(), dst_left = sizeof buffer;
  const std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1) || src_left != 0) return std::nullopt;
  return std::string(buffer, sizeof buffer - dst_left);
}

}  // namespace

bool system_has_code_page(const CodePage& cp) {
  iconv_t cd = iconv_open("UTF-8", cp.iconv_name().c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

std::optional<std::string> system_to_utf8(const std::string& text, const CodePage& cp) {
  return convert(text, "UTF-8", cp.iconv_name().c_str());
}

std::optional<std::string> system_from_utf8(const std::string& utf8, const CodePage& cp) {
  return convert(utf8, cp.iconv_name().c_str(), "UTF-8");
}

}  // namespace qm

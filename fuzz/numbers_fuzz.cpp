// The number rules of the three readers: quotemill's options (to_int32), quotemill3's
// integer reading (ReadInteger) and the settings form's check (read_form_number). Any text
// is read without fault, and each reader gives back the values it writes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdio>

#include "../lite/arguments.h"  // quotemill3's; main/ has an arguments.h too
#include "check.h"
#include "error.h"
#include "menu_entries.h"
#include "text.h"

using namespace qm;
using namespace qm::fuzz;

namespace {

std::string hex(std::uint32_t v, bool upper) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, upper ? "%" PRIX32 : "%" PRIx32, v);
  return buffer;
}

std::string without_leading_zeros(std::string_view digits) {
  while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
  return std::string(digits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = code_page_for(in.ConsumeIntegral<unsigned char>());
  const std::int32_t value = in.ConsumeIntegral<std::int32_t>();
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::uint32_t bits = static_cast<std::uint32_t>(value);

  // quotemill: what converts is all digits, and prints back as it was read.
  try {
    const std::int32_t got = to_int32(text, cp);
    if (text.starts_with("0x") || text.starts_with("0X")) {
      QM_FUZZ_CHECK(equals_icase(without_leading_zeros(text.substr(2)), hex(static_cast<std::uint32_t>(got), false)));
    } else {
      QM_FUZZ_CHECK(got >= 0 && without_leading_zeros(text) == std::to_string(got));
    }
  } catch (const Error& e) {
    // A command-line argument holds no NUL, which would end the message early.
    if (text.find('\0') == std::string::npos)
      QM_FUZZ_CHECK(std::string_view(e.what()).ends_with("' は整数ではありません"));
  }
  QM_FUZZ_CHECK(to_int32("0x" + hex(bits, true), cp) == value);
  QM_FUZZ_CHECK(to_int32("0X000" + hex(bits, false), cp) == value);
  if (value >= 0) QM_FUZZ_CHECK(to_int32(std::to_string(value), cp) == value);

  // quotemill3: every 32-bit value reads back; anything after the digits is ignored.
  QM_FUZZ_CHECK(lite::ReadInteger(std::to_string(value)) == value);
  QM_FUZZ_CHECK(lite::ReadInteger(std::to_string(value) + "x" + text) == value);
  const std::int32_t read = lite::ReadInteger(text);
  std::size_t digits = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  QM_FUZZ_CHECK(lite::ReadInteger(text.substr(0, digits)) == read);

  // The settings form: every value in decimal or "$" hexadecimal reads back, leading blanks
  // change nothing, and what it accepts it writes back as a decimal that reads the same.
  QM_FUZZ_CHECK(settings::read_form_number(std::to_string(value)) == value);
  QM_FUZZ_CHECK(settings::read_form_number("$" + hex(bits, false)) == value);
  QM_FUZZ_CHECK(settings::decimal_text(value) == std::to_string(value));
  const std::optional<std::int32_t> form = settings::read_form_number(text);
  QM_FUZZ_CHECK(settings::read_form_number("  " + text) == form);
  if (form) QM_FUZZ_CHECK(settings::read_form_number(settings::decimal_text(*form)) == form);
  return 0;
}

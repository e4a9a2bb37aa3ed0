#pragma once
// The argument list of quotemill3 and the small byte-string operations its rules use.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::lite {

using ArgumentList = std::vector<std::string>;  // arguments 1 to n

// Cuts an argument text (the arguments after the program, joined with blanks) into
// arguments. Bytes up to 0x20 separate; an empty "" pair where an argument would begin is
// skipped; a double quote opens a stretch up to the next one (or the end of the text) that
// may hold separators, and the quotes stay in the argument; only an argument wholly
// enclosed in quotes loses them.
ArgumentList SplitArguments(std::string_view line);

// Argument i counted from 1; the empty text beyond n (and for 0, which is not kept).
const std::string& Argument(const ArgumentList& args, int i) noexcept;

// The index (from 1) of the last argument that starts with `option`, byte-exact.
std::optional<int> FindOption(const ArgumentList& args, std::string_view option) noexcept;

// An optional sign as the first byte, then decimal digits up to the first other byte; 0 when
// there are none. Accumulated modulo 2^32, so overlong numbers wrap around as a 32-bit
// two's-complement integer would.
std::int32_t ReadInteger(std::string_view text) noexcept;

// Replaces the first occurrence of `pattern` only; false when there is none.
bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement);

}  // namespace qm::lite

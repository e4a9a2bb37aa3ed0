#pragma once
// The characters of a single-byte code page, as the system's own conversion reads them.

#include <array>
#include <cstdint>
#include <string>

namespace qm {

// Entry b is the character of byte b, 0 for a byte that is no character (byte 0 is NUL).
// A code page the system cannot convert gives ASCII alone.
std::array<std::uint16_t, 256> single_byte_table(const std::string& codeset);

}  // namespace qm

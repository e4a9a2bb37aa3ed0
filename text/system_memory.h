#pragma once
// Memory scans that differ between the C libraries.

#include <cstddef>

namespace qm {

// The last `byte` among the `size` bytes at `begin`, or nullptr (memrchr where there is one).
const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept;

}  // namespace qm

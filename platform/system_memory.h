#pragma once
// Memory services that differ between the C libraries.

#include <cstddef>

namespace qm {

// Asks for huge pages for [begin, begin + size), both aligned to 2 MiB; only a hint.
void advise_huge_pages(void* begin, std::size_t size) noexcept;

// The last `byte` among the `size` bytes at `begin`, or nullptr (memrchr where there is one).
const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept;

}  // namespace qm

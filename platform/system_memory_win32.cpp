#include "system_memory.h"

namespace qm {

// Windows gives large pages only to a process holding SeLockMemoryPrivilege: no hint.
void advise_huge_pages(void*, std::size_t) noexcept {}

// The Windows C runtime has no memrchr.
const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept {
  for (const char* p = begin + size; p != begin;)
    if (*--p == byte) return p;
  return nullptr;
}

}  // namespace qm

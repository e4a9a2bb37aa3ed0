#include "system_memory.h"

namespace qm {

// The Windows C runtime has no memrchr.
const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept {
  for (const char* p = begin + size; p != begin;)
    if (*--p == byte) return p;
  return nullptr;
}

}  // namespace qm

#include <string.h>
#include <sys/mman.h>

#include "system_memory.h"

namespace qm {

void advise_huge_pages(void* begin, std::size_t size) noexcept { madvise(begin, size, MADV_HUGEPAGE); }

const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept {
  return static_cast<const char*>(memrchr(begin, byte, size));
}

}  // namespace qm

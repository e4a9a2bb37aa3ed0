#include <string.h>

#include "system_memory.h"

namespace qm {

const char* find_last_byte(const char* begin, char byte, std::size_t size) noexcept {
  return static_cast<const char*>(memrchr(begin, byte, size));
}

}  // namespace qm

#include "process.h"

#include <cstdlib>

#include <malloc.h>
#include <unistd.h>

#include <vector>

namespace qm {

std::string executable_path() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);  // the path may be longer than any fixed buffer
  }
}

std::string join_arguments(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

std::string program_arguments(int argc, const char* const* argv, const CodePage&) {
  return join_arguments(argc, argv);
}

std::optional<std::string> environment_text(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

void keep_freed_memory() {
  mallopt(M_MMAP_MAX, 0);  // every block from the heap, where a freed one can be reused
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

void return_freed_memory() { malloc_trim(0); }

}  // namespace qm

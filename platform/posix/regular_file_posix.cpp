#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "regular_file.h"

namespace qm {
namespace {

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool regular_within(const struct stat& st, std::size_t limit) {
  return S_ISREG(st.st_mode) && st.st_size >= 0 && static_cast<std::uintmax_t>(st.st_size) <= limit;
}

}  // namespace

std::optional<std::string> read_regular_file(const std::string& name, std::size_t limit) {
  // Opening a device can act on it (a serial line, a tape): a name that is no regular file is
  // not opened at all. The name may change before the open, so the opened file is checked too.
  struct stat st;
  if (::stat(name.c_str(), &st) != 0 || !regular_within(st, limit)) return std::nullopt;
  // O_NONBLOCK: a FIFO put there meanwhile opens at once instead of waiting for a writer.
  const Descriptor file{::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !regular_within(st, limit)) return std::nullopt;

  // The size is only a hint: the file may grow while it is read, and some regular files
  // (/proc) report none. One byte past the limit shows a file that is too large.
  std::string content;
  content.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  while (content.size() <= limit) {
    const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
    if (n == 0) return content;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return std::nullopt;
}

}  // namespace qm

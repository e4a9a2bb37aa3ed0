#include "files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qm::host {

std::string make_directories(const std::string& path, mode_t mode) {
  for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string part = path.substr(0, at);
    if (!part.empty() && part.back() != '/' && mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
      return part + ": " + std::strerror(errno);
    if (at == std::string::npos) break;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return path + ": " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return path + ": " + std::strerror(ENOTDIR);
  return {};
}

std::string replace_file(const std::string& path, const std::string& text, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);  // O_CREAT | O_EXCL: a name of its own
  if (fd < 0) return path + ": " + std::strerror(errno);
  std::string problem;
  for (std::size_t done = 0; problem.empty() && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) problem = std::strerror(errno);
    else done += static_cast<std::size_t>(n);
  }
  if (problem.empty() && fchmod(fd, mode) != 0) problem = std::strerror(errno);
  if (close(fd) != 0 && problem.empty()) problem = std::strerror(errno);
  if (problem.empty() && rename(temp.c_str(), path.c_str()) != 0) problem = std::strerror(errno);
  if (problem.empty()) return {};
  unlink(temp.c_str());
  return path + ": " + problem;
}

}  // namespace qm::host

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "template_file_kinds.h"

namespace qm::lite {

std::vector<TemplateFileKind> system_template_file_kinds(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  // Each named user.txt, as quotemill3 -u looks for it, in a directory of its own.
  for (const char* sub : {"fifo", "zero", "null", "link"}) fs::create_directories(dir / sub);
  const fs::path fifo = dir / "fifo" / "user.txt";
  if (::mkfifo(fifo.c_str(), 0600) != 0) return {{"mkfifo failed", fifo.string(), "(no FIFO)", {}}};
  fs::create_symlink("/dev/zero", dir / "zero" / "user.txt");
  fs::create_symlink("/dev/null", dir / "null" / "user.txt");
  std::ofstream(dir / "link" / "target.txt", std::ios::binary) << "<p>%C</p>";
  fs::create_symlink("target.txt", dir / "link" / "user.txt");
  return {
      // A reader waiting for a writer is let go by one that comes and goes.
      {"a FIFO", fifo.string(), std::nullopt,
       [fifo] {
         const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
         if (fd >= 0) ::close(fd);
       }},
      {"a link to /dev/zero, which never ends", (dir / "zero" / "user.txt").string(), std::nullopt, {}},
      {"a link to /dev/null", (dir / "null" / "user.txt").string(), std::nullopt, {}},
      {"a link to a regular file", (dir / "link" / "user.txt").string(), "<p>%C</p>", {}},
  };
}

}  // namespace qm::lite

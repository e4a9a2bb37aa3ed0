#pragma once
// Kinds of names a template file may turn out to be that only some systems have, for the
// template reader's table.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::lite {

struct TemplateFileKind {
  std::string why;
  std::string name;
  std::optional<std::string> want;  // what the reader gives
  // Ends a read that waits on the file (a FIFO's writer comes and goes); empty when nothing can.
  std::function<void()> unblock;
};

// This system's own kinds, made in `dir`, which the caller removes.
std::vector<TemplateFileKind> system_template_file_kinds(const std::filesystem::path& dir);

}  // namespace qm::lite

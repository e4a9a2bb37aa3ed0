#include "folders.h"

namespace qm::host {
namespace {

bool windows_absolute(std::string_view path) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && path[1] == ':' && slash(path[2]))
    return (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  return path.size() >= 3 && slash(path[0]) && slash(path[1]) && !slash(path[2]);  // \\server\share
}

}  // namespace

std::optional<std::string> home_folder(std::string_view home) {
  if (home.empty() || home.front() != '/') return std::nullopt;
  return std::string(home);
}

std::optional<std::string> config_folder(std::string_view home, std::string_view xdg_config_home) {
  if (!xdg_config_home.empty() && xdg_config_home.front() == '/') return std::string(xdg_config_home);
  if (const std::optional<std::string> h = home_folder(home)) return *h + "/.config";
  return std::nullopt;
}

Folder posix_worker_folder(std::string_view home, std::string_view xdg_config_home) {
  if (const std::optional<std::string> config = config_folder(home, xdg_config_home)) return {*config + "/quotemill", {}};
  return {{}, "There is no folder for the workers: HOME is not an absolute path, nor is XDG_CONFIG_HOME."};
}

Folder windows_worker_folder(std::string_view appdata) {
  if (windows_absolute(appdata)) return {std::string(appdata) + "\\Quotemill", {}};
  return {{}, "There is no folder for the workers: APPDATA is not an absolute path."};
}

std::string worker_folder_problem(const std::string& why) {
  return "The folder for the workers cannot be made or used: " + why + ".";
}

}  // namespace qm::host

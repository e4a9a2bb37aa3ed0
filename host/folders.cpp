#include "folders.h"

namespace qm::host {

std::optional<std::string> home_folder(std::string_view home) {
  if (home.empty() || home.front() != '/') return std::nullopt;
  return std::string(home);
}

std::optional<std::string> config_folder(std::string_view home, std::string_view xdg_config_home) {
  if (!xdg_config_home.empty() && xdg_config_home.front() == '/') return std::string(xdg_config_home);
  if (const std::optional<std::string> h = home_folder(home)) return *h + "/.config";
  return std::nullopt;
}

}  // namespace qm::host

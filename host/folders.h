#pragma once
// The user's folders as the environment names them: where the manifests go. Pure functions
// over the variables' values; an unset variable is empty.

#include <optional>
#include <string>
#include <string_view>

namespace qm::host {

// HOME when it is an absolute path; nothing is ever written under any other.
std::optional<std::string> home_folder(std::string_view home);

// $XDG_CONFIG_HOME when it is an absolute path (XDG: a relative one is to be ignored), else
// HOME/.config; nullopt when neither can be used.
std::optional<std::string> config_folder(std::string_view home, std::string_view xdg_config_home);

}  // namespace qm::host

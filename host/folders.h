#pragma once
// The user's folders as the environment names them: where the manifests go and where the
// workers run. Pure functions over the variables' values; an unset variable is empty.

#include <optional>
#include <string>
#include <string_view>

namespace qm::host {

// HOME when it is an absolute path; nothing is ever written under any other.
std::optional<std::string> home_folder(std::string_view home);

// $XDG_CONFIG_HOME when it is an absolute path (XDG: a relative one is to be ignored), else
// HOME/.config; nullopt when neither can be used.
std::optional<std::string> config_folder(std::string_view home, std::string_view xdg_config_home);

// A folder to use, or why there is none.
struct Folder {
  std::string path;
  std::string problem;  // empty when `path` holds the folder
};

// Where the workers run, and where `quotemill3 -u` finds user.txt: the configuration
// folder's "quotemill" on Linux, %APPDATA%\Quotemill on Windows.
Folder posix_worker_folder(std::string_view home, std::string_view xdg_config_home);
Folder windows_worker_folder(std::string_view appdata);

// The reason given when a worker folder cannot be made or used; `why` names the path that
// failed and how.
std::string worker_folder_problem(const std::string& why);

}  // namespace qm::host

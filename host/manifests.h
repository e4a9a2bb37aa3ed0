#pragma once
// The manifests that tell each browser where quotemill-host is and which extension may
// start it, and where each browser looks for them.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::host {

inline constexpr char kHostName[] = "quotemill";
// The extension's ID follows from the public key in its manifest.json.
inline constexpr char kChromiumExtensionId[] = "jgcpamnnnpmnggajmpdfmnfahmbihlik";
inline constexpr char kFirefoxExtensionId[] = "companion@quotemill";

std::string chromium_manifest(const std::string& host_path, const std::string& extension_id = kChromiumExtensionId);
std::string firefox_manifest(const std::string& host_path);

// What `--manifest chromium [EXTENSION_ID] | firefox`, each with an optional `--host PATH`,
// prints: the manifest naming PATH, or `own_path` without it; nullopt when the words after
// "--manifest" (`words`) are none of these. An install writes the manifests of the host it
// installs through `--host`, so every manifest comes from here.
std::optional<std::string> manifest_for(const std::vector<std::string>& words, const std::string& own_path);

inline constexpr char kUsage[] =
    "usage: quotemill-host --register | --unregister\n"
    "       quotemill-host --manifest chromium [EXTENSION_ID] [--host PATH] | --manifest firefox [--host PATH]\n"
    "  (browsers start it with no option, or with their own arguments)\n";

struct ManifestPlace {
  std::string browser;                    // "Chromium", "Firefox", ...
  std::vector<std::string> profile_dirs;  // the browser's own folders: in use when one exists
  std::string file;                       // the manifest's path
  bool firefox = false;
};

// The per-user places of the browsers the host knows: Chromium, Chrome, Brave, Vivaldi,
// Edge, Opera and Firefox. Firefox keeps its profiles in ~/.mozilla, or (today's releases,
// in a fresh home) in config_home/mozilla/firefox, and reads the user's manifests from
// ~/.mozilla either way.
std::vector<ManifestPlace> user_manifest_places(const std::string& home, const std::string& config_home);

// What --register does: the places of the browsers in use (`is_folder` tells which profile
// folders exist), and a line for each browser it leaves out, saying why.
struct Registration {
  std::vector<ManifestPlace> write;
  std::vector<std::string> skipped;  // "Vivaldi: skipped, no profile folder ~/.config/vivaldi"
};
Registration plan_registration(const std::vector<ManifestPlace>& places,
                               const std::function<bool(const std::string&)>& is_folder, const std::string& home);

// On Windows a browser finds the manifest through a per-user registry key whose default
// value is the manifest's path.
struct RegistryPlace {
  std::string browser;
  std::string key;  // under HKEY_CURRENT_USER
  bool firefox = false;
};

// The keys of Chrome, Chromium, Edge, Brave, Vivaldi and Firefox.
std::vector<RegistryPlace> registry_places();

}  // namespace qm::host

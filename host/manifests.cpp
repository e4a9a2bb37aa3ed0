#include "manifests.h"

#include <algorithm>

#include "json.h"

namespace qm::host {
namespace {

Json::Object common(const std::string& host_path) {
  return {{"name", kHostName},
          {"description", "Quotemill: quotes the selection of a page as HTML"},
          {"path", host_path},
          {"type", "stdio"}};
}

}  // namespace

std::string chromium_manifest(const std::string& host_path, const std::string& extension_id) {
  Json::Object m = common(host_path);
  m.emplace("allowed_origins", Json::Array{"chrome-extension://" + extension_id + "/"});
  return to_json(m) + "\n";
}

std::string firefox_manifest(const std::string& host_path) {
  Json::Object m = common(host_path);
  m.emplace("allowed_extensions", Json::Array{kFirefoxExtensionId});
  return to_json(m) + "\n";
}

std::optional<std::string> manifest_for(const std::vector<std::string>& words, const std::string& own_path) {
  if (words.empty() || (words[0] != "chromium" && words[0] != "firefox")) return std::nullopt;
  const bool firefox = words[0] == "firefox";
  std::string host_path = own_path, extension_id = kChromiumExtensionId;
  bool named_extension = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--host" && i + 1 < words.size() && !words[i + 1].empty()) {
      host_path = words[++i];
    } else if (!firefox && !named_extension && !words[i].starts_with("-")) {
      extension_id = words[i];
      named_extension = true;
    } else {
      return std::nullopt;
    }
  }
  return firefox ? firefox_manifest(host_path) : chromium_manifest(host_path, extension_id);
}

std::vector<ManifestPlace> user_manifest_places(const std::string& home, const std::string& config_home) {
  const std::string file = std::string("/NativeMessagingHosts/") + kHostName + ".json";
  std::vector<ManifestPlace> places;
  for (const auto& [browser, dir] : {std::pair{"Chromium", "chromium"},
                                     {"Google Chrome", "google-chrome"},
                                     {"Brave", "BraveSoftware/Brave-Browser"},
                                     {"Vivaldi", "vivaldi"},
                                     {"Microsoft Edge", "microsoft-edge"},
                                     {"Opera", "opera"}}) {
    const std::string profile = config_home + "/" + dir;
    places.push_back({browser, {profile}, profile + file, false});
  }
  places.push_back({"Firefox",
                    {home + "/.mozilla", config_home + "/mozilla/firefox"},
                    home + "/.mozilla/native-messaging-hosts/" + kHostName + ".json",
                    true});
  return places;
}

Registration plan_registration(const std::vector<ManifestPlace>& places,
                               const std::function<bool(const std::string&)>& is_folder, const std::string& home) {
  const auto shown = [&](const std::string& path) {
    return path.starts_with(home + "/") ? "~" + path.substr(home.size()) : path;
  };
  Registration plan;
  for (const ManifestPlace& p : places) {
    if (std::any_of(p.profile_dirs.begin(), p.profile_dirs.end(), is_folder)) {
      plan.write.push_back(p);
      continue;
    }
    std::string line = p.browser + ": skipped, no profile folder ";
    for (std::size_t i = 0; i < p.profile_dirs.size(); ++i) line += (i ? " or " : "") + shown(p.profile_dirs[i]);
    plan.skipped.push_back(std::move(line));
  }
  return plan;
}

std::vector<RegistryPlace> registry_places() {
  const std::string tail = std::string("\\NativeMessagingHosts\\") + kHostName;
  std::vector<RegistryPlace> places;
  for (const auto& [browser, vendor] : {std::pair{"Google Chrome", "Google\\Chrome"},
                                        {"Chromium", "Chromium"},
                                        {"Microsoft Edge", "Microsoft\\Edge"},
                                        {"Brave", "BraveSoftware\\Brave-Browser"},
                                        {"Vivaldi", "Vivaldi"}})
    places.push_back({browser, std::string("Software\\") + vendor + tail, false});
  places.push_back({"Firefox", "Software\\Mozilla" + tail, true});
  return places;
}

}  // namespace qm::host

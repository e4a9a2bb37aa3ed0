// The Windows installer under Wine, in a prefix and a home folder of its own on a private
// Xvfb, removed again however the test ends: a silent install puts the programs, the
// start-menu entries and the keys in place, the installed programs run from there, and a
// silent uninstall leaves the prefix's files and HKEY_CURRENT_USER\Software as they were.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "json.h"
#include "manifests.h"
#include "utf16.h"
#include "x_session.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

const std::string kPrefixScript = std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh";

std::optional<std::string> file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// A Unix path as Wine's drive Z: names it.
std::string windows_path(const fs::path& path) {
  return "Z:" + std::regex_replace(path.string(), std::regex("/"), "\\");
}

// Every file and folder under `dir`, relative to it; links are listed, not followed.
std::set<std::string> tree(const fs::path& dir) {
  std::set<std::string> paths;
  for (const auto& e : fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied))
    paths.insert(e.path().lexically_relative(dir).string());
  return paths;
}

// What `after` holds that `before` does not, one to a line, for a failure's message.
template <class Set>
std::string missing_from(const Set& before, const Set& after) {
  std::string out;
  for (const auto& s : after)
    if (!before.count(s)) out += "  " + s + "\n";
  return out;
}

// The prefix's state that an install may change.
struct Snapshot {
  std::set<std::string> files;          // under drive_c
  std::vector<std::string> registry;  // HKEY_CURRENT_USER\Software as reg exports it, line by line
};

class InstallerUnderWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* win = std::getenv("QM_WINDOWS_BUILD_DIR");
    ASSERT_NE(win, nullptr);
    win_ = win;
    root_ = built("tests/installer-wine");
    prefix_ = root_ / "prefix";
    remove_prefix();  // what a run killed at its time limit left
    fs::create_directories(root_ / "home");
    x_ = std::make_unique<XSession>();
    // Wine's desktop, and with it the bridge of its clipboard to X, on the private display.
    RunOptions start = wine();
    start.env["QM_WINE_DISPLAY"] = x_->display();
    start.timeout = 300s;
    const RunResult r = run({"sh", kPrefixScript, prefix_, "start"}, start);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string local = trimmed(wine_run({"cmd", "/c", "echo", "%LOCALAPPDATA%"}).out);
    ASSERT_TRUE(local.starts_with("C:\\")) << local;
    instdir_w_ = local + "\\Programs\\Quotemill";
    instdir_ = unix_path(instdir_w_);
    start_menu_ = unix_path(trimmed(wine_run({"cmd", "/c", "echo", "%APPDATA%"}).out) +
                            "\\Microsoft\\Windows\\Start Menu\\Programs");
  }
  static void TearDownTestSuite() {
    remove_prefix();
    x_.reset();
  }
  void SetUp() override {
    if (!x_ || instdir_.empty()) GTEST_FAIL() << "no Wine prefix";
  }
  // An install that a failed test left goes, so the next test starts from none.
  void TearDown() override {
    if (!instdir_.empty() && fs::exists(instdir_ / "uninstall.exe")) uninstall();
  }

  static void remove_prefix() {
    if (fs::exists(prefix_)) run({"sh", kPrefixScript, prefix_, "stop"}, wine());
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Wine in the test's prefix, with a home of its own: Wine writes menus and file types there,
  // never into the user's.
  static RunOptions wine(std::chrono::milliseconds timeout = 60s) {
    RunOptions o;
    const std::string home = (root_ / "home").string();
    o.env["WINEPREFIX"] = prefix_;
    o.env["WINEDEBUG"] = "-all";
    o.env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d";
    o.env["HOME"] = home;
    o.env["XDG_CONFIG_HOME"] = home + "/.config";
    o.env["XDG_DATA_HOME"] = home + "/.local/share";
    o.env["XDG_CACHE_HOME"] = home + "/.cache";
    o.timeout = timeout;
    return o;
  }
  static RunResult wine_run(const std::vector<std::string>& argv, RunOptions options = wine()) {
    std::vector<std::string> command{"wine"};
    command.insert(command.end(), argv.begin(), argv.end());
    return x_->run(command, options);
  }
  // `program` (a Windows path) started through CreateProcessW with exactly `line` after its
  // quoted path, as a browser or the Start menu starts it.
  static RunResult launch(const std::string& program, const std::string& line, const std::string& input = "") {
    RunOptions o = wine();
    o.env["QM_PROGRAM"] = program;
    o.env["QM_COMMAND_LINE"] = "\"" + program + "\" " + line;
    o.input = input;
    return wine_run({(win_ / "tests/wine_launch.exe").string(), "run"}, o);
  }
  static fs::path unix_path(const std::string& windows) {
    return trimmed(wine_run({"winepath", "-u", windows}).out);
  }
  // The values of a key under HKEY_CURRENT_USER by name ("(Default)" for the default one),
  // nullopt when there is no such key.
  static std::optional<std::map<std::string, std::string>> key(const std::string& name) {
    const RunResult r = wine_run({"reg", "query", "HKCU\\" + name});
    if (r.status != 0) return std::nullopt;
    std::map<std::string, std::string> values;
    std::istringstream lines(r.out);
    const std::regex value("^    (.+?)    (REG_[A-Z_]+)    (.*)$");
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
      if (std::regex_match(line = trimmed(line), m, value)) values[m[1]] = m[3];
    return values;
  }
  static Snapshot snapshot() {
    Snapshot s;
    s.files = tree(prefix_ / "drive_c");
    const fs::path exported = root_ / "software.reg";
    const RunResult r = wine_run({"reg", "export", "HKCU\\Software", windows_path(exported), "/y"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bytes = file(exported).value_or("");
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    std::istringstream lines(utf16_to_utf8(text));
    for (std::string line; std::getline(lines, line);) s.registry.push_back(trimmed(line));
    EXPECT_GT(s.registry.size(), 10u) << "nothing exported";
    fs::remove(exported);
    return s;
  }
  static void expect_same(const Snapshot& before, const Snapshot& after) {
    EXPECT_EQ(missing_from(before.files, after.files), "") << "files made";
    EXPECT_EQ(missing_from(after.files, before.files), "") << "files removed";
    const std::set<std::string> was(before.registry.begin(), before.registry.end()),
        is(after.registry.begin(), after.registry.end());
    EXPECT_TRUE(after.registry == before.registry) << "HKEY_CURRENT_USER\\Software changed; lines made:\n"
                                                   << missing_from(was, is) << "lines gone:\n" << missing_from(is, was);
  }
  static RunResult install() {
    return wine_run({(win_ / ("Quotemill-Setup-" QM_VERSION ".exe")).string(), "/S"}, wine(120s));
  }
  // The uninstaller runs from a copy, as it does of itself when started without _?= (it then
  // returns at once, while the copy goes on): with _?= the copy is the one that runs, and is
  // waited for to its end.
  static RunResult uninstall() {
    const fs::path copy = root_ / "uninstaller/uninstall.exe";
    fs::create_directories(copy.parent_path());
    fs::copy_file(instdir_ / "uninstall.exe", copy, fs::copy_options::overwrite_existing);
    RunResult r = launch(windows_path(copy), "/S _?=" + instdir_w_);
    fs::remove_all(copy.parent_path());
    return r;
  }

  static std::unique_ptr<XSession> x_;
  static fs::path win_, root_, prefix_, instdir_, start_menu_;
  static std::string instdir_w_;
};
std::unique_ptr<XSession> InstallerUnderWine::x_;
fs::path InstallerUnderWine::win_, InstallerUnderWine::root_, InstallerUnderWine::prefix_,
    InstallerUnderWine::instdir_, InstallerUnderWine::start_menu_;
std::string InstallerUnderWine::instdir_w_;

TEST_F(InstallerUnderWine, SilentInstallRunsAndSilentUninstallLeavesNothing) {
  const fs::path source = QM_SOURCE_DIR;
  const Snapshot before = snapshot();
  const RunResult installed = install();
  ASSERT_EQ(installed.status, 0) << installed.err;

  // The programs, stripped of what the build tree's carry.
  for (const char* program : {"quotemill.exe", "quotemill3.exe", "quotemill-host.exe"}) {
    const std::optional<std::string> built = file(win_ / program), put = file(instdir_ / program);
    ASSERT_TRUE(built && put) << program;
    EXPECT_NE(built->find(".debug_info"), std::string::npos) << program;
    EXPECT_EQ(put->find(".debug_info"), std::string::npos) << program;
  }
  EXPECT_EQ(file(instdir_ / "README.txt"),
            std::regex_replace(*file(source / "packaging/README-Windows.txt"), std::regex("\n"), "\r\n"));
  EXPECT_EQ(file(instdir_ / "browser-extension.html"), file(source / "packaging/windows/browser-extension.html"));
  const std::set<std::string> extension = tree(source / "browser");
  EXPECT_EQ(tree(instdir_ / "browser"), extension);
  std::set<std::string> extension_files;  // without its folders (_locales and those in it)
  for (const std::string& f : extension)
    if (fs::is_regular_file(source / "browser" / f)) extension_files.insert(f);
  EXPECT_TRUE(extension_files.count("_locales/ja/messages.json"));
  for (const std::string& f : extension_files)
    EXPECT_EQ(file(instdir_ / "browser" / f), file(source / "browser" / f)) << f;
  // The add-on file for Firefox: the extension's files at the top of a zip.
  const RunResult xpi = run({QM_CMAKE, "-E", "tar", "tf", (instdir_ / "quotemill.xpi").string()});
  std::set<std::string> zipped;
  std::istringstream names(xpi.out);
  for (std::string n; std::getline(names, n);) zipped.insert(n);
  EXPECT_EQ(zipped, extension_files) << xpi.err;
  EXPECT_TRUE(fs::exists(instdir_ / "uninstall.exe"));

  // The start-menu entries name their targets (a link keeps the target's path in ANSI).
  const std::optional<std::string> settings = file(start_menu_ / "Quotemill.lnk");
  const std::optional<std::string> page = file(start_menu_ / "Quotemill - load the browser extension.lnk");
  ASSERT_TRUE(settings && page);
  EXPECT_NE(settings->find(instdir_w_ + "\\quotemill.exe"), std::string::npos);
  EXPECT_NE(page->find(instdir_w_ + "\\browser-extension.html"), std::string::npos);

  // The entry of the user's installed apps.
  const std::string uninstaller = "\"" + instdir_w_ + "\\uninstall.exe\"";
  const auto entry = key("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quotemill");
  ASSERT_TRUE(entry);
  const std::map<std::string, std::string> want{
      {"DisplayName", "Quotemill"},
      {"DisplayVersion", QM_VERSION},
      {"Publisher", "Quotemill"},
      {"UninstallString", uninstaller},
      {"QuietUninstallString", uninstaller + " /S"},
      {"InstallLocation", instdir_w_},
      {"DisplayIcon", instdir_w_ + "\\quotemill.exe"},
      {"NoModify", "0x1"},
      {"NoRepair", "0x1"},
  };
  for (const auto& [name, value] : want) EXPECT_EQ(entry->count(name) ? entry->at(name) : "(none)", value) << name;
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(instdir_))
    if (e.is_regular_file()) bytes += e.file_size();
  ASSERT_TRUE(entry->count("EstimatedSize"));
  EXPECT_NEAR(std::stod(entry->at("EstimatedSize")), bytes / 1024.0, 4.0);  // in KiB

  // Every browser's key names a manifest beside the installed host, which names that host; the
  // host answers through that path, as a browser starts it, with the project's version.
  const std::vector<host::RegistryPlace> places = host::registry_places();
  EXPECT_EQ(places.size(), 6u);
  std::set<std::string> manifests;
  for (const host::RegistryPlace& p : places) {
    const auto values = key(p.key);
    ASSERT_TRUE(values && values->count("(Default)")) << p.browser;
    const std::string manifest = values->at("(Default)");
    EXPECT_TRUE(manifest.starts_with(instdir_w_ + "\\")) << p.browser << ": " << manifest;
    const std::optional<host::Json> json = host::parse_json(file(unix_path(manifest)).value_or(""));
    ASSERT_TRUE(json) << p.browser << ": " << manifest;
    const std::string* path = json->get_string("path");
    ASSERT_TRUE(path) << manifest;
    EXPECT_EQ(*path, instdir_w_ + "\\quotemill-host.exe") << p.browser;
    manifests.insert(manifest);

    // Native messaging's frame: the length in four bytes, least significant first, then JSON.
    const std::string request = R"({"kind":"version"})";
    std::string framed;
    for (int shift = 0; shift < 32; shift += 8) framed += static_cast<char>(request.size() >> shift & 0xff);
    framed += request;
    const std::string origin = std::string("chrome-extension://") + host::kChromiumExtensionId + "/";
    const RunResult answer = launch(*path, origin, framed);
    EXPECT_EQ(answer.status, 0) << p.browser << ": " << answer.err;
    ASSERT_GE(answer.out.size(), 4u) << p.browser;
    std::size_t length = 0;
    for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(answer.out[i]);
    EXPECT_EQ(length, answer.out.size() - 4) << p.browser;
    const std::optional<host::Json> version = host::parse_json(answer.out.substr(4));
    ASSERT_TRUE(version) << answer.out;
    EXPECT_EQ(version->get_string("version") ? *version->get_string("version") : "", QM_VERSION) << answer.out;
  }
  EXPECT_EQ(manifests.size(), 2u);  // one for the Chromium family, one for Firefox

  // The installed worker quotes what is on the clipboard.
  const std::string selection = "a passage quoted by the installed worker";
  x_->set_clipboard(selection);
  RunOptions wait = wine();
  wait.env["QM_TEXT"] = selection;
  ASSERT_EQ(wine_run({(win_ / "tests/wine_launch.exe").string(), "wait-text"}, wait).status, 0);
  const RunResult worker = launch(instdir_w_ + "\\quotemill.exe", "-a http://example.com/installed");
  EXPECT_EQ(worker.status, 0) << worker.err;
  EXPECT_EQ(x_->clipboard(), "<a href=\"http://example.com/installed\">" + selection + "</a>");

  const RunResult removed = uninstall();
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_FALSE(fs::exists(instdir_));
  expect_same(before, snapshot());
}

// The helper's registration fails when its manifest cannot be written: the install says so in
// its status and keeps its uninstaller, which then removes it all.
TEST_F(InstallerUnderWine, FailedRegistrationFailsTheInstallAndTheUninstallerRemovesIt) {
  const Snapshot before = snapshot();
  const fs::path blocker = instdir_ / "quotemill-chromium.json";
  fs::create_directories(blocker);  // a folder where the manifest goes
  const RunResult installed = install();
  EXPECT_EQ(installed.status, 2) << "NSIS's status for an install its script ended";
  const auto entry = key("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quotemill");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->count("UninstallString") ? entry->at("UninstallString") : "",
            "\"" + instdir_w_ + "\\uninstall.exe\"");
  EXPECT_TRUE(fs::exists(instdir_ / "uninstall.exe"));

  fs::remove(blocker);
  const RunResult removed = uninstall();
  EXPECT_EQ(removed.status, 0) << removed.err;
  expect_same(before, snapshot());
}

}  // namespace
}  // namespace qm::test

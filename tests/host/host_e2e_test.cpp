// quotemill-host end to end on a private Xvfb: framed messages in, as a browser sends them,
// the real workers run, the clipboard read back with xclip.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "json.h"
#include "messaging.h"
#include "x_session.h"

namespace qm::test {
namespace {

using host::Json;

const std::string U = "https://example.com/page?a=1&b=2";

std::string run_message(const std::string& program, const std::string& arguments, const std::string& caption = "") {
  Json::Object m{{"kind", "run"}, {"program", program}, {"arguments", arguments}, {"url", U}};
  if (!caption.empty()) m.emplace("caption", caption);
  return host::frame_message(host::to_json(m));
}

// Every answer in the host's output.
std::vector<Json> answers(const std::string& out) {
  std::vector<Json> all;
  std::size_t at = 0;
  const host::ReadSome read = [&](char* buffer, std::size_t size) {
    const std::size_t n = std::min(size, out.size() - at);
    std::copy_n(out.data() + at, n, buffer);
    at += n;
    return n;
  };
  for (host::Incoming in; (in = host::read_message(read)).kind == host::Incoming::Kind::Message;)
    all.push_back(host::parse_json(in.text).value_or(Json("unreadable")));
  return all;
}

class HostE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { x_ = std::make_unique<XSession>(); }
  static void TearDownTestSuite() { x_.reset(); }

  // The host with `input` on its standard input, its standard input kept open for
  // `linger` afterwards as a browser keeps it.
  Child start_host(const std::string& input, std::map<std::string, std::string> env = {},
                   const char* linger = "0") {
    std::ofstream(input_file_, std::ios::binary) << input;
    env.try_emplace("XDG_CONFIG_HOME", config_);
    RunOptions options;
    options.env = std::move(env);
    options.cwd = config_;  // whatever a relative folder would be made in
    return x_->start({"sh", "-c", "(cat \"$1\"; sleep \"$2\") | exec \"$0\"",
                      std::filesystem::absolute(built("quotemill-host")).string(), input_file_, linger},
                     options);
  }

  void SetUp() override {
    char dir[] = "/tmp/qm-host-XXXXXX";
    config_ = mkdtemp(dir);
    input_file_ = config_ + "/input";
  }
  void TearDown() override { std::filesystem::remove_all(config_); }

  static std::unique_ptr<XSession> x_;
  std::string config_, input_file_;
};
std::unique_ptr<XSession> HostE2E::x_;

TEST_F(HostE2E, RunsTheWorkersAsTheBrowserEntriesSay) {
  struct Case {
    std::string program, arguments, caption, want;
  } cases[] = {
      // The line's own directory does not matter: the workers beside the host run.
      {"/usr/local/bin/quotemill", " -a  -h %u", "", "<a href=\"" + U + "\">一行目<br>\nsecond line</a>"},
      {"/usr/bin/quotemill", " -a='_blank'  -c='my class' %u", "",
       "<a href=\"" + U + "\" target=\"_blank\">一行目\nsecond line</a>"},  // the class is split off
      {"quotemill3", " -a -c=\"x y\" %u", "テスト - ページ - Chromium",
       "<a title=\"テスト - ページ\" class=\"\"x y\"\" href=\"" + U + "\">一行目\nsecond line</a>"},
  };
  for (const Case& c : cases) {
    x_->set_clipboard("一行目\nsecond line");
    Child host = start_host(run_message(c.program, c.arguments, c.caption));
    const RunResult r = host.wait(20s);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Json> got = answers(r.out);
    ASSERT_EQ(got.size(), 1u) << r.out;
    EXPECT_EQ(host::to_json(got[0]), R"({"messages":[],"ok":true,"status":0})");
    EXPECT_EQ(x_->clipboard(), c.want) << c.arguments;
  }
  // quotemill3 -u finds user.txt in the host's folder for the workers.
  std::ofstream(config_ + "/quotemill/user.txt") << "[%t](%u) %C";
  x_->set_clipboard("sel");
  ASSERT_EQ(start_host(run_message("quotemill3", " -u user.txt %u", "My page - Mozilla Firefox")).wait(20s).status, 0);
  EXPECT_EQ(x_->clipboard(), "[My page](" + U + ") sel");
}

TEST_F(HostE2E, AWorkerErrorComesBackWithItsMessage) {
  x_->set_clipboard("keep");
  Child host = start_host(run_message("quotemill", " -b6a %u"));
  EXPECT_TRUE(x_->answer_box("^アプリケーション エラー$", 20s));
  const std::vector<Json> got = answers(host.wait(20s).out);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(*got[0].get("status"), Json(1));
  const Json::Array& messages = *got[0].get("messages")->array();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].string()->find("アプリケーション エラー: "), std::string::npos);
  EXPECT_NE(messages[0].string()->find("'06a' は整数ではありません."), std::string::npos) << *messages[0].string();
  EXPECT_EQ(x_->clipboard(), "keep");
}

TEST_F(HostE2E, AWorkerThatDoesNotFinishInTimeIsStopped) {
  x_->set_clipboard("keep");
  // A caption without " - " makes quotemill3 ask, and nobody answers. The limit leaves the
  // box time to show even in a sanitizer build.
  Child host = start_host(run_message("quotemill3", " -q %u", "no separator"), {{"QUOTEMILL_HOST_TIMEOUT_MS", "8000"}});
  ASSERT_TRUE(x_->wait_window("^Quotemill_clip$", 15s));
  const std::vector<Json> got = answers(host.wait(20s).out);
  ASSERT_EQ(got.size(), 1u);
  ASSERT_NE(got[0].get("timedOut"), nullptr) << host::to_json(got[0]);
  EXPECT_EQ(*got[0].get("timedOut"), Json(true));
  EXPECT_EQ(*got[0].get("ok"), Json(false));
  bool box_gone = false;  // the X server drops a dead client's windows a moment later
  for (int i = 0; i < 100 && !box_gone; ++i) box_gone = !x_->wait_window("^Quotemill_clip$", 50ms);
  EXPECT_TRUE(box_gone) << "the box goes with its worker";
  EXPECT_EQ(x_->clipboard(), "keep");
}

TEST_F(HostE2E, TheResultOutlivesTheHostAndItsProcessGroup) {
  x_->set_clipboard("survive");
  const std::string want = "<q cite=\"" + U + "\">survive</q>";
  {
    Child host = start_host(run_message("quotemill", " -q %u"), {}, "30");
    for (int i = 0; i < 200 && x_->clipboard() != want; ++i) std::this_thread::sleep_for(25ms);
    ASSERT_TRUE(host.running()) << "the host waits for more messages";
  }  // the browser ends the host's whole process group
  EXPECT_EQ(x_->clipboard(), want);
  EXPECT_NE(x_->clipboard_owner(), "none");
}

TEST_F(HostE2E, RefusesForeignProgramsAndKeepsAnsweringAfterBadMessages) {
  x_->set_clipboard("keep");
  const std::string input = run_message("/bin/touch", " /tmp/qm-host-pwned %u") + host::frame_message("{") +
                            host::frame_message(std::string(host::kMaxMessage + 10, ' ')) +
                            host::frame_message(R"({"kind":"version"})");
  const RunResult r = start_host(input).wait(20s);
  const std::vector<Json> got = answers(r.out);
  ASSERT_EQ(got.size(), 4u) << r.out;
  EXPECT_NE(got[0].get_string("error")->find("\"/bin/touch\""), std::string::npos);
  EXPECT_NE(got[1].get_string("error")->find("not a JSON object"), std::string::npos);
  EXPECT_NE(got[2].get_string("error")->find("larger than 64 KiB"), std::string::npos);
  EXPECT_EQ(host::to_json(got[3]), R"({"ok":true,"version":"0.1.0"})");
  EXPECT_FALSE(std::filesystem::exists("/tmp/qm-host-pwned"));
  EXPECT_EQ(x_->clipboard(), "keep");
}

// A process that has ended, or ended and waits only to be reaped.
bool process_gone(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text(std::istreambuf_iterator<char>(stat), {});
  const std::size_t paren = text.rfind(')');
  return text.empty() || (paren != std::string::npos && text.compare(paren, 3, ") Z") == 0);
}

TEST_F(HostE2E, ABoxClosesByItselfOnceTheHostIsGone) {
  x_->set_clipboard("orphan");
  std::string pid;
  {
    // The host keeps its standard input open, as a browser does, and is killed with its
    // process group while the worker's box waits; the worker has a group of its own.
    Child host = start_host(run_message("quotemill3", " -q %u", "no separator"),
                            {{"QUOTEMILL_HOST_TIMEOUT_MS", "6000"}, {"HOME", config_}}, "60");
    const std::optional<std::string> box = x_->wait_window("^Quotemill_clip$", 15s);
    ASSERT_TRUE(box);
    pid = x_->run({"xdotool", "getwindowpid", *box}).out;
    pid.erase(pid.find_last_not_of("\n") + 1);
    ASSERT_FALSE(pid.empty());
    ASSERT_TRUE(host.running());
  }
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(x_->wait_window("^Quotemill_clip$", 50ms)) << "the box outlives the host";
  bool gone = false;  // 6 s from the box's showing, with room for a slow machine
  for (int i = 0; i < 300 && !gone; ++i) {
    gone = process_gone(pid) && !x_->wait_window("^Quotemill_clip$", 50ms);
    if (!gone) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(gone) << "worker " << pid << " still waits on its box";
  if (!gone) kill(std::stoi(pid), SIGKILL);
  // The box closed as if OK had been pressed: the run went on without a title.
  EXPECT_EQ(x_->clipboard(), "<q title=\"\" cite=\"" + U + "\">orphan</q>");
}

TEST_F(HostE2E, NoWorkerRunsWithoutItsFolder) {
  namespace fs = std::filesystem;
  const std::string home = config_ + "/home";
  fs::create_directories(home + "/.config/quotemill");
  std::ofstream(home + "/.config/quotemill/user.txt") << "[%u] %C";
  std::ofstream(config_ + "/file") << "not a folder";
  fs::create_directories(config_ + "/taken");
  std::ofstream(config_ + "/taken/quotemill") << "not a folder either";
  struct Case {
    std::string home, xdg;
    bool runs;
  } cases[] = {
      {home, "", true},
      {home, "relative/config", true},  // XDG: a relative value is ignored, so ~/.config
      {home, config_ + "/file", false},
      {home, config_ + "/taken", false},
      {"", "", false},
      {"relative/home", "relative/config", false},
  };
  for (const Case& c : cases) {
    x_->set_clipboard("keep");
    const RunResult r = start_host(run_message("quotemill3", " -u user.txt %u", "Page - Browser"),
                                   {{"HOME", c.home}, {"XDG_CONFIG_HOME", c.xdg}})
                            .wait(20s);
    const std::vector<Json> got = answers(r.out);
    ASSERT_EQ(got.size(), 1u) << r.out << r.err;
    if (c.runs) {
      EXPECT_EQ(host::to_json(got[0]), R"({"messages":[],"ok":true,"status":0})") << c.home << " " << c.xdg;
      EXPECT_EQ(x_->clipboard(), "[" + U + "] keep");
    } else {
      EXPECT_EQ(*got[0].get("ok"), Json(false)) << c.home << " " << c.xdg;
      EXPECT_NE(got[0].get_string("error")->find("folder for the workers"), std::string::npos)
          << *got[0].get_string("error");
      EXPECT_EQ(x_->clipboard(), "keep") << "no worker ran";
    }
  }
  EXPECT_TRUE(fs::is_regular_file(config_ + "/taken/quotemill"));
  EXPECT_FALSE(fs::exists(config_ + "/relative"));
}

TEST_F(HostE2E, RegistersWithTheBrowsersInUse) {
  namespace fs = std::filesystem;
  const std::string home = config_ + "/home";
  for (const char* dir : {"/.config/chromium", "/.config/BraveSoftware/Brave-Browser", "/.mozilla"})
    fs::create_directories(home + dir);
  RunOptions env;
  env.env = {{"HOME", home}, {"XDG_CONFIG_HOME", ""}};
  const RunResult r = run({built("quotemill-host"), "--register"}, env);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string chromium = home + "/.config/chromium/NativeMessagingHosts/quotemill.json";
  const std::string firefox = home + "/.mozilla/native-messaging-hosts/quotemill.json";
  for (const std::string& file : {chromium, firefox, home + "/.config/BraveSoftware/Brave-Browser/NativeMessagingHosts/quotemill.json"}) {
    std::ifstream in(file);
    const std::optional<Json> manifest = host::parse_json(std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_TRUE(manifest) << file;
    EXPECT_EQ(*manifest->get_string("path"), fs::canonical(built("quotemill-host")).string());
    EXPECT_EQ(*manifest->get_string("name"), "quotemill");
  }
  EXPECT_FALSE(fs::exists(home + "/.config/google-chrome")) << "no profile is made for a browser not in use";
  EXPECT_EQ(run({built("quotemill-host"), "--unregister"}, env).status, 0);
  EXPECT_FALSE(fs::exists(chromium));
  EXPECT_FALSE(fs::exists(firefox));
}

TEST_F(HostE2E, RegistersFirefoxFromItsNewFolderAndReplacesLinksWhateverTheUmask) {
  namespace fs = std::filesystem;
  const std::string home = config_ + "/home";
  const std::string chromium_dir = home + "/.config/chromium/NativeMessagingHosts";
  const std::string brave_dir = home + "/.config/BraveSoftware/Brave-Browser/NativeMessagingHosts";
  const std::string firefox_dir = home + "/.mozilla/native-messaging-hosts";
  fs::create_directories(chromium_dir);
  fs::create_directories(home + "/.config/BraveSoftware/Brave-Browser");
  fs::create_directories(home + "/.config/mozilla/firefox");  // a fresh Firefox's only folder
  std::ofstream(home + "/precious") << "keep me";
  fs::create_symlink(home + "/precious", chromium_dir + "/quotemill.json");
  RunOptions env;
  env.env = {{"HOME", home}, {"XDG_CONFIG_HOME", ""}};
  const RunResult r = run({"sh", "-c", "umask 000 && exec \"$0\" --register", built("quotemill-host")}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Firefox: " + firefox_dir + "/quotemill.json\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Vivaldi: skipped, no profile folder ~/.config/vivaldi\n"), std::string::npos) << r.out;

  std::ifstream precious(home + "/precious");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(precious), {}), "keep me") << "the link is replaced";
  for (const std::string& dir : {chromium_dir, brave_dir, firefox_dir}) {
    const fs::path file = dir + "/quotemill.json";
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << file;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644)) << file;
    std::ifstream in(file);
    EXPECT_TRUE(host::parse_json(std::string(std::istreambuf_iterator<char>(in), {}))) << file;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << dir << ": nothing left beside it";
    EXPECT_EQ(fs::status(dir).permissions() & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
  }
}

TEST_F(HostE2E, RefusesToRegisterWithoutAHome) {
  namespace fs = std::filesystem;
  fs::create_directories(config_ + "/relative/.mozilla");  // where a relative HOME would lead
  for (const char* home : {"-uHOME", "HOME=", "HOME=relative"}) {  // unset, empty, relative
    for (const char* option : {"--register", "--unregister"}) {
      RunOptions options;
      options.cwd = config_;
      options.env = {{"XDG_CONFIG_HOME", ""}};
      const RunResult r = run({"env", home, fs::absolute(built("quotemill-host")), option}, options);
      EXPECT_EQ(r.status, 1) << home << " " << option << ": " << r.out;
      EXPECT_NE(r.err.find("HOME is not set to an absolute path"), std::string::npos) << r.err;
    }
  }
  EXPECT_FALSE(fs::exists(config_ + "/relative/.mozilla/native-messaging-hosts"));
}

}  // namespace
}  // namespace qm::test

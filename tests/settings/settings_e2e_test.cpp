// quotemill's settings window end to end: the real program on a private Xvfb with openbox,
// driven by xdotool, its clipboard read with xclip.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <thread>

#include "x_session.h"

namespace qm::test {
namespace {

const std::string kA = "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kQ = "item, \"qタグを挿入してコピー\" = Copy & Execute program,\"";

// Window-relative centres of the controls the tests use (frame controls offset by the
// frame's corner at 8, 8).
struct Spot {
  int x, y;
};
constexpr Spot kCheckBox2{8 + 8 + 6, 8 + 112 + 8};
constexpr Spot kRadioButton2{16 + 6, 294 + 8};
constexpr Spot kButton1{24 + 37, 442 + 12};
constexpr Spot kCheckBox5{16 + 6, 356 + 8};
constexpr Spot kEdit1{40 + 12, 356 + 10};

class SettingsE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { x_ = std::make_unique<XSession>(/*window_manager=*/true); }
  static void TearDownTestSuite() { x_.reset(); }

  static std::string program_path() {
    char* real = realpath(built("quotemill").c_str(), nullptr);
    std::string path = real ? real : built("quotemill");
    free(real);
    return path;
  }
  static void xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunOptions options;
    options.timeout = 5s;
    x_->run(args, options);
  }
  static void click(const std::string& window, Spot at) {
    xdotool({"mousemove", "--window", window, std::to_string(at.x), std::to_string(at.y), "click", "1"});
    std::this_thread::sleep_for(100ms);
  }
  // The close button at the right end of openbox's title bar, above the client area.
  static void close_by_title_bar(const std::string& window) {
    xdotool({"mousemove", "--window", window, "259", "-10", "click", "1"});
  }
  // Starts the settings window and waits until it is mapped and active.
  static std::optional<std::string> open_settings(Child& child) {
    const auto id = x_->wait_window("^設定$", 15s);
    if (!id) return std::nullopt;
    xdotool({"windowactivate", "--sync", *id});
    EXPECT_TRUE(child.running());
    return id;
  }

  static std::unique_ptr<XSession> x_;
};
std::unique_ptr<XSession> SettingsE2E::x_;

TEST_F(SettingsE2E, GenerateByMouseAndKeyboard) {
  x_->set_clipboard("selection before");
  Child child = x_->start({built("quotemill")});
  const auto window = open_settings(child);
  ASSERT_TRUE(window) << child.wait(1s).err;
  // The focus starts on the first box of the style frame; the space bar ticks it.
  xdotool({"key", "--window", *window, "space"});
  std::this_thread::sleep_for(100ms);
  click(*window, kCheckBox2);
  click(*window, kRadioButton2);
  click(*window, kButton1);
  ASSERT_TRUE(x_->answer_box("^Quotemill$", 10s));
  const RunResult done = child.wait(10s);
  EXPECT_FALSE(done.timed_out);
  EXPECT_EQ(done.status, 0);
  EXPECT_NE(done.err.find("Quotemill: クリップボードに必要な文字列をコピーしました menu.iniのHotclick Popup Menu"),
            std::string::npos)
      << done.err;
  const std::string path = program_path();
  EXPECT_EQ(x_->clipboard(), kA + path + "\",\" -a  -h %u\"\n" + kQ + path + "\",\" -q  -h %u\"\n");
}

TEST_F(SettingsE2E, ReturnOnTheFocusedGenerateButton) {
  x_->set_clipboard("selection before");
  Child child = x_->start({built("quotemill")});
  const auto window = open_settings(child);
  ASSERT_TRUE(window) << child.wait(1s).err;
  click(*window, kCheckBox2);  // ticked and focused
  // Past CheckBox3, CheckBox4, hatenad, the line-break buttons and CheckBox5 to "生成".
  xdotool({"key", "--clearmodifiers", "--delay", "50", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Return"});
  const auto box = x_->wait_window("^Quotemill$", 10s);
  ASSERT_TRUE(box) << child.wait(1s).err;
  EXPECT_EQ(x_->box_faults(*box, "Quotemill"), "");  // the window's boxes are boxes like any other
  ASSERT_TRUE(x_->answer_box("^Quotemill$", 10s));
  const RunResult done = child.wait(10s);
  EXPECT_FALSE(done.timed_out);
  EXPECT_EQ(done.status, 0);
  const std::string path = program_path();
  EXPECT_EQ(x_->clipboard(), kQ + path + "\",\" -q  %u\"\n");
}

TEST_F(SettingsE2E, ClosingTheWindowPutsNothingOnTheClipboard) {
  x_->set_clipboard("selection before");
  Child child = x_->start({built("quotemill")});
  const auto window = open_settings(child);
  ASSERT_TRUE(window) << child.wait(1s).err;
  click(*window, kCheckBox2);
  close_by_title_bar(*window);
  const RunResult done = child.wait(10s);
  EXPECT_FALSE(done.timed_out);
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(x_->clipboard(), "selection before");
}

TEST_F(SettingsE2E, BadNumberKeepsTheWindowAndTheClipboard) {
  x_->set_clipboard("selection before");
  Child child = x_->start({built("quotemill")});
  const auto window = open_settings(child);
  ASSERT_TRUE(window) << child.wait(1s).err;
  click(*window, kCheckBox2);
  click(*window, kCheckBox5);
  click(*window, kEdit1);
  xdotool({"key", "ctrl+a"});
  xdotool({"type", "abc"});
  click(*window, kButton1);
  ASSERT_TRUE(x_->answer_box("^Quotemill$", 10s)) << child.wait(1s).err;
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child.running());
  EXPECT_TRUE(x_->wait_window("^設定$", 2s));
  EXPECT_EQ(x_->clipboard(), "selection before");
  close_by_title_bar(*window);
  const RunResult done = child.wait(10s);
  EXPECT_EQ(done.status, 0);
  EXPECT_NE(done.err.find("Quotemill: 数値を入力してください\n"), std::string::npos) << done.err;
  EXPECT_EQ(done.err.find("クリップボードに必要な"), std::string::npos) << done.err;
  EXPECT_EQ(x_->clipboard(), "selection before");
}

TEST_F(SettingsE2E, NoDisplayIsAOneLineError) {
  RunOptions options;
  options.timeout = 10s;
  const RunResult r = run({built("quotemill")}, options);  // no DISPLAY at all
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quotemill: cannot open the settings window: no display can be reached (is DISPLAY or WAYLAND_DISPLAY set?)\n");
}

}  // namespace
}  // namespace qm::test

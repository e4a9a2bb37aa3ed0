// The Windows programs end to end under Wine, on a private Xvfb with openbox: xclip on the
// other side of the clipboard (Wine bridges its clipboard to X11's CLIPBOARD), boxes
// answered by title with xdotool, exact command lines through CreateProcessW.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <regex>
#include <thread>
#include <variant>

#include "form_model.h"
#include "json.h"
#include "manifests.h"
#include "messaging.h"
#include "x_session.h"

namespace qm::test {
namespace {

const std::string U = "http://example.com/page";
const std::string H = "<a href=\"" + U + "\"";
const std::string kJapanese = "ja_JP.UTF-8";

std::string without_cr(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
  return s;
}

using settings::ControlId;
using settings::FormModel;

// A Unix path as Wine's drive Z: names it.
std::string windows_path(const std::string& path) { return "Z:" + std::regex_replace(path, std::regex("/"), "\\"); }

class WineE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* dir = std::getenv("QM_WINDOWS_BUILD_DIR");
    ASSERT_NE(dir, nullptr);
    win_ = dir;
    prefix_ = win_ + "/wineprefix";
    x_ = std::make_unique<XSession>(true);
    // A server left by the unit suites has its desktop on no display: a fresh one on ours.
    const std::string script = std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh";
    run({"sh", script, prefix_, "stop"});
    RunOptions setup;
    setup.timeout = 300s;
    setup.env["QM_WINE_DISPLAY"] = x_->display();
    const RunResult r = run({"sh", script, prefix_, "start"}, setup);
    ASSERT_EQ(r.status, 0) << r.err;
    // The browser-like window in front, which also keeps Wine's clipboard alive between runs.
    RunOptions options = wine();
    options.env["QM_TITLE"] = "テストページ - Chromium";
    browser_ = std::make_unique<Child>(x_->start({"wine", win_ + "/tests/wine_launch.exe", "window"}, options));
    ASSERT_TRUE(x_->wait_window("^テストページ - Chromium$", 30s));
  }
  static void TearDownTestSuite() {
    browser_.reset();
    run({"sh", std::string(QM_SOURCE_DIR) + "/tests/windows/wine_prefix.sh", prefix_, "stop"});
    x_.reset();
  }
  void SetUp() override {
    if (!x_) GTEST_FAIL() << "no Wine session";
  }
  void TearDown() override {
    if (const auto id = x_->wait_window("^テストページ - Chromium$", 2s))
      x_->run({"xdotool", "windowactivate", "--sync", *id});
  }

  // The text on X's clipboard through xclip, once Wine's bridge has taken it in: until then a
  // Windows program finds the clipboard empty, or the text before.
  static void set_clipboard(const std::string& text) {
    x_->set_clipboard(text);
    RunOptions o = wine();
    o.env["QM_TEXT"] = text;
    const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "wait-text"}, o);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  static RunOptions wine(const std::string& lang = kJapanese) {
    RunOptions o;
    o.env["WINEPREFIX"] = prefix_;
    o.env["WINEDEBUG"] = "-all";
    o.env["WINEDLLOVERRIDES"] = "mscoree,mshtml=";
    o.env["LANG"] = lang;
    o.env["LOCPATH"] = prefix_ + "-locale";
    o.timeout = 30s;
    return o;
  }
  // `program` (quotemill, quotemill3...) started with the command line "PATH" LINE exactly.
  static RunOptions exact(const std::string& program, const std::string& line, const std::string& lang) {
    RunOptions o = wine(lang);
    const std::string path = windows_path(win_ + "/" + program + ".exe");
    o.env["QM_PROGRAM"] = path;
    o.env["QM_COMMAND_LINE"] = "\"" + path + "\" " + line;
    return o;
  }
  static RunResult exe(const std::string& program, const std::string& line, const std::string& lang = kJapanese) {
    RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "run"}, exact(program, line, lang));
    r.err = without_cr(r.err);
    return r;
  }
  static Child start(const std::string& program, const std::string& line, const std::string& lang = kJapanese) {
    return x_->start({"wine", win_ + "/tests/wine_launch.exe", "run"}, exact(program, line, lang));
  }
  // The clipboard's text forms as a Windows program sees them: the forms' order, CF_TEXT's
  // bytes and CF_UNICODETEXT in UTF-8.
  struct Forms {
    std::string order, text, unicode;
  };
  static Forms forms() {
    const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "forms"}, wine());
    EXPECT_EQ(r.status, 0) << r.err;
    std::smatch m;
    const std::string out = without_cr(r.out);
    if (!std::regex_match(out, m, std::regex("order: ?([^\n]*)\ntext: ([0-9a-f]*)\nunicode: ([0-9a-f]*)\n"))) {
      ADD_FAILURE() << "wine_launch forms: " << out;
      return {};
    }
    return {m[1], unhex(m[2]), unhex(m[3])};
  }
  // `bytes` on the clipboard as CF_TEXT alone, placed by a Windows program.
  static void place_code_page(const std::string& bytes) {
    RunOptions o = wine();
    o.env["QM_BYTES"] = hex(bytes);
    const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "place-code-page"}, o);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  static std::string hex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
  }
  static std::string unhex(const std::string& digits) {
    std::string out;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
  }

  static std::unique_ptr<XSession> x_;
  static std::unique_ptr<Child> browser_;
  static std::string win_, prefix_;
};
std::unique_ptr<XSession> WineE2E::x_;
std::unique_ptr<Child> WineE2E::browser_;
std::string WineE2E::win_, WineE2E::prefix_;

TEST_F(WineE2E, JapaneseLocaleIsCodePage932) {
  const RunResult ja = x_->run({"wine", win_ + "/tests/wine_launch.exe", "acp"}, wine(kJapanese));
  EXPECT_EQ(without_cr(ja.out), "932\n") << ja.err;
  const RunResult c = x_->run({"wine", win_ + "/tests/wine_launch.exe", "acp"}, wine("C.UTF-8"));
  EXPECT_NE(without_cr(c.out), "932\n");
}

TEST_F(WineE2E, EveryStyleOfQuotemill) {
  const std::string sel = "日本語の一行目\nsecond line";
  struct Case {
    std::string line, want;
  } cases[] = {
      {"-a " + U, H + ">日本語の一行目\nsecond line</a>"},
      {"-a='_blank' -h -c='quote' " + U, H + " class=\"quote\" target=\"_blank\">日本語の一行目<br>\nsecond line</a>"},
      {"-q -x " + U, "<q cite=\"" + U + "\">日本語の一行目<br />\nsecond line</q>"},
      {"-b60 " + U, "<q cite=\"" + U + "\">" + sel + "</q>"},
      {"-b10 " + U, "<blockquote cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      {"-o " + U, sel + "\n" + H + ">" + U + "</a>"},
      {"-o='_top' " + U, sel + "\n" + H + " target=\"_top\">" + U + "</a>"},
      {"-hd -h " + U, "*" + H + ">日本語の一行目<br>\nsecond line</a><br>\n<br>\n"},
      {"-a -d=100 " + U, H + ">日本語の一行目 second line</a>"},
      {U, sel},
      {"-a -h https://example.com/s?q=1&r=2", "<a href=\"https://example.com/s?q=1&r=2\">日本語の一行目<br>\nsecond line</a>"},
      // The exact line, split by the program's own rules: the quoted stretch keeps its blank
      // and loses its quotes.
      {"-a=\"_new win\" " + U, H + " target=_new win>" + sel + "</a>"},
  };
  for (const Case& c : cases) {
    set_clipboard(sel);
    const RunResult r = exe("quotemill", c.line);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.line;
  }
}

// A quote is placed as "HTML Format" too, which Wine's bridge hands X programs as text/html,
// Japanese intact; the text written back as it is, and rich paste off, place none.
TEST_F(WineE2E, HtmlFormReachesTheXSide) {
  const std::string sel = "日本語の引用 & <b>";
  const std::string q = "<q cite=\"" + U + "\">" + as_html_text(sel) + "</q>";
  struct Case {
    std::string line, rich, want;
    bool html;
  } cases[] = {
      {"-b60 " + U, "", q, true},
      {U, "", sel, false},
      {"-b60 " + U, "0", q, false},
  };
  for (const Case& c : cases) {
    set_clipboard(sel);
    RunOptions o = exact("quotemill", c.line, kJapanese);
    o.env["QUOTEMILL_RICH"] = c.rich;
    const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "run"}, o);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.line;
    const RunResult targets = x_->run({"xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"});
    EXPECT_EQ(targets.out.find("\ntext/html\n") != std::string::npos, c.html) << c.line << ": " << targets.out;
    if (!c.html) continue;
    // Wine's bridge hands over the fragment between the markers: the result itself.
    const RunResult html = x_->run({"xclip", "-selection", "clipboard", "-t", "text/html", "-o"});
    EXPECT_EQ(html.out, c.want) << c.line;
  }
}

// Windows' own code-page form of an emoji is "??"; the programs keep it as a reference.
TEST_F(WineE2E, CharacterOutsideTheCodePageBecomesAReference) {
  set_clipboard("絵文字😀です");
  const RunResult r = exe("quotemill", "-a " + U);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(x_->clipboard(), H + ">絵文字&#x1F600;です</a>");
  // Under a Western code page the Japanese text is referenced too, never lost.
  set_clipboard("é日");
  EXPECT_EQ(exe("quotemill", "-q " + U, "C.UTF-8").status, 0);
  EXPECT_EQ(x_->clipboard(), "<q cite=\"" + U + "\">é&#x65E5;</q>");
}

TEST_F(WineE2E, ArgumentErrorShowsItsBoxesAndKeepsTheClipboard) {
  set_clipboard("untouched");
  Child worker = start("quotemill", "-a -h word");
  EXPECT_TRUE(x_->answer_box("^エラー$", 20s));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(x_->answer_box("^Quotemill$", 20s)) << i;
  RunResult r = worker.wait(20s);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(without_cr(r.err), "エラー: 最後の引数がURLでは無いようです。 menu.iniの記述か間違っていると思われます。\n"
                               "Quotemill: " + windows_path(win_ + "/quotemill.exe") +
                               "\nQuotemill: -a\nQuotemill: -h\nQuotemill: word\n");
  EXPECT_EQ(x_->clipboard(), "untouched");
}

TEST_F(WineE2E, BoxesCloseByThemselvesWhenTheirTimeIsUp) {
  // As quotemill-host starts a worker: the boxes of the run share the limit, and nobody answers.
  set_clipboard("untouched");
  RunOptions o = exact("quotemill", "-a -h word", kJapanese);
  o.env["QUOTEMILL_BOX_TIMEOUT_MS"] = "1500";
  const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "run"}, o);
  EXPECT_FALSE(r.timed_out) << "a box waited for OK";
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 5) << r.err;
  EXPECT_EQ(x_->clipboard(), "untouched");
}

TEST_F(WineE2E, UnhandledErrorIsReportedInABox) {
  set_clipboard("keep me");
  Child worker = start("quotemill", "-b6a " + U);
  EXPECT_TRUE(x_->answer_box("^アプリケーション エラー$", 20s));
  const RunResult r = worker.wait(20s);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(without_cr(r.err).find("qm::Error がモジュール quotemill.exe の "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'06a' は整数ではありません."), std::string::npos) << r.err;
  EXPECT_EQ(x_->clipboard(), "keep me");
}

TEST_F(WineE2E, Quotemill3TakesTheTitleFromTheWineWindowInFront) {
  const std::string sel = "日本語の一行目\nsecond line";
  const std::string t = "title=\"テストページ\" ";
  struct Case {
    std::string line, want;
  } cases[] = {
      {"-a " + U, "<a " + t + "href=\"" + U + "\">" + sel + "</a>"},
      {"-a -c=quote " + U, "<a " + t + "class=\"quote\" href=\"" + U + "\">" + sel + "</a>"},
      {"-q " + U, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {"-b " + U, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
      // 27 bytes in code page 932, with the CR LF that Wine's clipboard gives for the LF.
      {"-b27 " + U, "<q " + t + "cite=\"" + U + "\">" + sel + "</q>"},
      {"-b26 " + U, "<blockquote " + t + "cite=\"" + U + "\"><p>" + sel + "</p></blockquote>"},
  };
  for (const Case& c : cases) {
    set_clipboard(sel);
    const RunResult r = exe("quotemill3", c.line);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    EXPECT_EQ(x_->clipboard(), c.want) << c.line;
  }
}

// A directory for template files, removed again on every way out.
struct TempDir {
  TempDir() : path(std::filesystem::temp_directory_path() / ("qm_wine_e2e_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return (path / name).string();
  }
  std::filesystem::path path;
};

// A text placed as CF_TEXT alone is the code page's own bytes, and comes back byte for byte.
// Windows' Unicode form of it differs: 0xED40 reads as U+7E8A, which is 0xFA5C as well, 0x8790
// as U+2252, which is 0x81E0 as well, and 0xA0 and 0xFD, which form no character, as U+F8F0
// and U+F8F1. The written Unicode form is what the programs read CF_TEXT as.
TEST_F(WineE2E, CodePageTextPlacedAloneComesBackByteForByte) {
  const CodePage cp = CodePage::shift_jis();
  const std::string placed = "A\xED\x40\x87\x90\xA0\xFD\x82\xA0";
  TempDir dir;
  const std::string tmpl = windows_path(dir.write("bracket.txt", "[%C]"));
  struct Case {
    std::string program, line, head, tail;
  } cases[] = {
      {"quotemill", U, "", ""},  // any other style: the text as it was read
      {"quotemill", "-a " + U, H + ">", "</a>"},
      {"quotemill3", "-u " + tmpl + " " + U, "[", "]"},
  };
  for (const Case& c : cases) {
    place_code_page(placed);
    const Forms before = forms();
    ASSERT_TRUE(before.order.starts_with("CF_TEXT")) << before.order;
    ASSERT_EQ(hex(before.text), hex(placed));
    const RunResult r = exe(c.program, c.line);
    EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
    const Forms after = forms();
    EXPECT_EQ(hex(after.text), hex(c.head + placed + c.tail)) << c.program << " " << c.line;
    EXPECT_EQ(after.unicode, to_utf8(after.text, cp)) << c.line;
    EXPECT_TRUE(after.order.starts_with("CF_TEXT")) << after.order;  // read back the same way
  }
}

// quotemill3 writes the code-page form of its result byte for byte and the Unicode form made
// from it, so the two agree whatever the template holds; a template saved as UTF-8 with its
// mark is converted to the code page first.
TEST_F(WineE2E, Quotemill3WritesBothFormsAlike) {
  const CodePage cp = CodePage::shift_jis();
  const std::string mark = "\xEF\xBB\xBF";
  TempDir dir;
  struct Case {
    std::string why, file, text;  // the template file; CF_TEXT after the run
  } cases[] = {
      {"a byte pair that is no character", "<p>\x85\x40%C</p>", "<p>\x85\x40sel</p>"},
      {"UTF-8 with its mark, as Notepad saves", mark + "引用：%C", "\x88\xF8\x97\x70\x81\x46sel"},
      {"a character that code page 932 lacks", mark + "😀%C", "&#x1F600;sel"},
      {"Shift-JIS without a mark", "\x88\xF8\x97\x70\x81\x46%C", "\x88\xF8\x97\x70\x81\x46sel"},
  };
  for (const Case& c : cases) {
    const std::string file = windows_path(dir.write("user.txt", c.file));
    set_clipboard("sel");
    const RunResult r = exe("quotemill3", "-u " + file + " " + U);
    EXPECT_EQ(r.status, 0) << c.why << ": " << r.err;
    const Forms f = forms();
    EXPECT_EQ(hex(f.text), hex(c.text)) << c.why;
    EXPECT_EQ(f.unicode, to_utf8(c.text, cp)) << c.why;
    EXPECT_EQ(x_->clipboard(), f.unicode) << c.why;
  }
}

// What the user does in the settings window, by keyboard only: Wine's child controls are
// no X windows, so no click can find them.
struct Tick {
  ControlId id;
};
struct Choose {  // a radio button, by the arrow keys within its group
  ControlId id;
};
struct Type {  // a text field, whose text Tab selects on the way in
  ControlId id;
  std::string text;
};
using Step = std::variant<Tick, Choose, Type>;

class SettingsUnderWine : public WineE2E {
 protected:
  // The keys that take the focus from `from` to `to` as the window's Tab walks its chain:
  // greyed controls and the unselected radio buttons are passed over.
  static std::vector<std::string> tabs(const FormModel& m, ControlId from, ControlId to) {
    const auto chain = settings::tab_chain();
    auto stop = [&](ControlId id) {
      const bool radio = settings::control_spec(id).kind == settings::ControlKind::RadioButton;
      return m.enabled(id) && (!radio || m.ticked(id));
    };
    std::vector<std::string> keys;
    std::size_t at = std::find(chain.begin(), chain.end(), from) - chain.begin();
    while (chain[at] != to) {
      do at = (at + 1) % chain.size();
      while (!stop(chain[at]));
      keys.push_back("Tab");
      if (keys.size() > chain.size()) {
        ADD_FAILURE() << "no Tab reaches " << settings::control_spec(to).name;
        break;
      }
    }
    return keys;
  }
  // The keys for one step, and the step done on the model.
  static std::vector<std::string> keys_for(FormModel& m, ControlId& focus, const Step& step) {
    std::vector<std::string> keys;
    if (const auto* t = std::get_if<Tick>(&step)) {
      keys = tabs(m, focus, t->id);
      keys.push_back("space");
      m.set_ticked(t->id, !m.ticked(t->id));
      focus = t->id;
    } else if (const auto* c = std::get_if<Choose>(&step)) {
      const ControlId group[] = {ControlId::RadioButton1, ControlId::RadioButton2, ControlId::RadioButton3};
      const auto selected = std::find_if(std::begin(group), std::end(group), [&](ControlId id) { return m.ticked(id); });
      keys = tabs(m, focus, *selected);
      const auto wanted = std::find(std::begin(group), std::end(group), c->id);
      for (auto i = selected; i < wanted; ++i) keys.push_back("Down");
      for (auto i = wanted; i < selected; ++i) keys.push_back("Up");
      m.set_ticked(c->id, true);
      focus = c->id;
    } else {
      const Type& t = std::get<Type>(step);
      keys = tabs(m, focus, t.id);
      if (t.text.empty()) keys.push_back("BackSpace");  // the selected text goes
      for (char ch : t.text) keys.push_back(ch == '_' ? "underscore" : std::string(1, ch));
      m.set_text(t.id, t.text);
      focus = t.id;
    }
    return keys;
  }
  static void press(const std::string& window, const std::vector<std::string>& keys) {
    if (keys.empty()) return;
    x_->run({"xdotool", "windowactivate", "--sync", window});
    std::this_thread::sleep_for(300ms);  // Wine gives the focus to the first control after the activation
    std::vector<std::string> argv{"xdotool", "key", "--clearmodifiers", "--delay", "60"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    RunOptions o;
    o.timeout = 20s;
    x_->run(argv, o);
  }
  // The settings window of quotemill.exe, started with no argument at all.
  static Child start_settings() {
    RunOptions o = wine();
    o.env["QM_PROGRAM"] = program();
    o.env["QM_COMMAND_LINE"] = "\"" + program() + "\"";
    return x_->start({"wine", win_ + "/tests/wine_launch.exe", "run"}, o);
  }
  static std::string program() { return windows_path(win_ + "/quotemill.exe"); }
};

TEST_F(SettingsUnderWine, GenerateGivesTheModelsLinesOnTheClipboard) {
  using enum ControlId;
  const std::vector<std::vector<Step>> cases{
      // The two entries of a fresh install, with <br>.
      {Tick{CheckBox1}, Tick{CheckBox2}, Choose{RadioButton2}},
      // Every style with its target, the short-text limits, XHTML breaks and a class.
      {Tick{CheckBox1}, Tick{CheckBox7}, Tick{CheckBox3}, Tick{CheckBox8}, Type{Edit5, "_top"}, Tick{CheckBox4},
       Type{Edit2, "x3C"}, Tick{hatenad}, Choose{RadioButton3}, Tick{CheckBox5}, Type{Edit1, "80"}, Tick{CheckBox6},
       Type{Edit3, "quote"}},
      // A target emptied by the user comes back as "_blank"; a box ticked twice is unticked.
      {Tick{CheckBox2}, Tick{CheckBox2}, Tick{CheckBox1}, Tick{CheckBox7}, Type{Edit4, ""}},
  };
  const CodePage cp = CodePage::shift_jis();
  for (std::size_t n = 0; n < cases.size(); ++n) {
    set_clipboard("selection before");
    Child child = start_settings();
    const auto window = x_->wait_window("^設定$", 30s);
    ASSERT_TRUE(window) << n << ": " << child.wait(1s).err;
    FormModel model;
    ControlId focus = settings::tab_chain().front();  // where the window puts it at start
    std::vector<std::string> keys;
    for (const Step& step : cases[n]) {
      const std::vector<std::string> k = keys_for(model, focus, step);
      keys.insert(keys.end(), k.begin(), k.end());
    }
    std::vector<std::string> to_generate = tabs(model, focus, Button1);
    keys.insert(keys.end(), to_generate.begin(), to_generate.end());
    keys.push_back("Return");
    press(*window, keys);
    const settings::FormRun want = model.generate(program(), cp);
    ASSERT_EQ(want.message, nullptr) << n;
    EXPECT_TRUE(x_->answer_box("^Quotemill$", 20s)) << n;
    const RunResult done = child.wait(20s);
    EXPECT_FALSE(done.timed_out) << n;
    EXPECT_EQ(done.status, 0) << n << ": " << done.err;
    EXPECT_NE(done.err.find("Quotemill: クリップボードに必要な文字列をコピーしました menu.iniのHotclick Popup Menu"),
              std::string::npos)
        << done.err;
    EXPECT_EQ(x_->clipboard(), without_cr(to_utf8(want.lines, cp))) << n;
  }
}

TEST_F(SettingsUnderWine, BadNumberKeepsTheWindowUntilItIsMended) {
  using enum ControlId;
  set_clipboard("selection before");
  Child child = start_settings();
  const auto window = x_->wait_window("^設定$", 30s);
  ASSERT_TRUE(window) << child.wait(1s).err;
  FormModel model;
  ControlId focus = settings::tab_chain().front();
  std::vector<std::string> keys;
  for (const Step& step : std::vector<Step>{Tick{CheckBox2}, Tick{CheckBox5}, Type{Edit1, "abc"}}) {
    const std::vector<std::string> k = keys_for(model, focus, step);
    keys.insert(keys.end(), k.begin(), k.end());
  }
  const std::vector<std::string> to_generate = tabs(model, focus, Button1);
  keys.insert(keys.end(), to_generate.begin(), to_generate.end());
  keys.push_back("Return");
  press(*window, keys);
  const settings::FormRun refused = model.generate(program(), CodePage::shift_jis());
  ASSERT_NE(refused.message, nullptr);
  ASSERT_EQ(refused.focus, Edit1);
  ASSERT_TRUE(x_->answer_box("^Quotemill$", 20s)) << child.wait(1s).err;
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child.running());
  EXPECT_EQ(x_->clipboard(), "selection before");
  // The box put the focus back in the field with its text selected: typing replaces it.
  model.set_text(Edit1, "30");
  keys = {"3", "0"};
  const std::vector<std::string> again = tabs(model, Edit1, Button1);
  keys.insert(keys.end(), again.begin(), again.end());
  keys.push_back("Return");
  press(*window, keys);
  const settings::FormRun want = model.generate(program(), CodePage::shift_jis());
  ASSERT_EQ(want.message, nullptr);
  EXPECT_TRUE(x_->answer_box("^Quotemill$", 20s));
  const RunResult done = child.wait(20s);
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_NE(without_cr(done.err).find(std::string("Quotemill: ") + settings::kEnterNumber + "\n"), std::string::npos)
      << done.err;
  EXPECT_EQ(x_->clipboard(), without_cr(to_utf8(want.lines, CodePage::shift_jis())));
}

// quotemill-host.exe as a browser starts it: framed requests on its standard input.
class HostUnderWine : public WineE2E {
 protected:
  static std::string host_path() { return windows_path(win_ + "/quotemill-host.exe"); }
  static RunResult host(const std::vector<std::string>& arguments, const std::string& input = "") {
    RunOptions o = wine();
    o.input = input;
    std::vector<std::string> argv{"wine", win_ + "/quotemill-host.exe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return x_->run(argv, o);
  }
  // The default value of a key under HKEY_CURRENT_USER, nullopt when there is no such key.
  static std::optional<std::string> key_value(const std::string& key) {
    RunOptions o = wine("C.UTF-8");
    const RunResult r = x_->run({"wine", "reg", "query", "HKCU\\" + key, "/ve"}, o);
    if (r.status != 0) return std::nullopt;
    const std::smatch m = [&] {
      std::smatch found;
      std::regex_search(r.out, found, std::regex("REG_SZ\\s+([^\\r\\n]*)"));
      return found;
    }();
    return m.empty() ? std::string("(no REG_SZ in: ") + r.out + ")" : m[1].str();
  }
  static std::optional<std::string> file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(HostUnderWine, RegisterWritesEveryBrowsersKeyAndUnregisterRemovesThem) {
  const RunResult reg = host({"--register"});
  ASSERT_EQ(reg.status, 0) << reg.err;
  const std::string chromium = windows_path(win_ + "/quotemill-chromium.json");
  const std::string firefox = windows_path(win_ + "/quotemill-firefox.json");
  EXPECT_EQ(file(win_ + "/quotemill-chromium.json"), host::chromium_manifest(host_path()));
  EXPECT_EQ(file(win_ + "/quotemill-firefox.json"), host::firefox_manifest(host_path()));
  const std::vector<host::RegistryPlace> places = host::registry_places();
  ASSERT_EQ(places.size(), 6u);
  for (const host::RegistryPlace& p : places) {
    EXPECT_EQ(key_value(p.key), p.firefox ? firefox : chromium) << p.browser;
    EXPECT_NE(without_cr(reg.out).find(p.browser + ": HKEY_CURRENT_USER\\" + p.key + "\n"), std::string::npos)
        << reg.out;
  }
  // The Chromium family's key names the manifest that names the host and the extension.
  EXPECT_NE(file(win_ + "/quotemill-chromium.json")->find(host::kChromiumExtensionId), std::string::npos);

  const RunResult unreg = host({"--unregister"});
  EXPECT_EQ(unreg.status, 0) << unreg.err;
  for (const host::RegistryPlace& p : places) EXPECT_EQ(key_value(p.key), std::nullopt) << p.browser;
  EXPECT_EQ(file(win_ + "/quotemill-chromium.json"), std::nullopt);
  EXPECT_EQ(file(win_ + "/quotemill-firefox.json"), std::nullopt);
}

// A manifest names the host in UTF-8, whatever the ANSI code page does with the path given.
TEST_F(HostUnderWine, ManifestForAHostPathOutsideAscii) {
  const std::string path = "C:\\Users\\山田\\Programs\\Quotemill\\quotemill-host.exe";
  const RunResult chromium = host({"--manifest", "chromium", "--host", path});
  EXPECT_EQ(chromium.status, 0) << chromium.err;
  EXPECT_EQ(without_cr(chromium.out), host::chromium_manifest(path));
  const RunResult firefox = host({"--manifest", "firefox", "--host", path});
  EXPECT_EQ(firefox.status, 0) << firefox.err;
  EXPECT_EQ(without_cr(firefox.out), host::firefox_manifest(path));
}

TEST_F(HostUnderWine, ARequestRunsTheWorkerWithTheExactArgumentText) {
  const std::string url = "https://example.com/page?a=1&b=2";
  const std::string sel = "一行目\nsecond line";
  struct Case {
    std::string program, arguments, caption, want;
  } cases[] = {
      // Whatever folder the line names, the worker beside the host runs.
      {"C:\\Program Files\\Quotemill\\quotemill.exe", " -a  -h %u", "",
       "<a href=\"" + url + "\">一行目<br>\nsecond line</a>"},
      // The text goes as it stands: the worker's own rules split it.
      {"quotemill", " -a=\"_new win\" %u", "", "<a href=\"" + url + "\" target=_new win>" + sel + "</a>"},
      {"quotemill3", " -a %u", "テスト - ページ - Chromium",
       "<a title=\"テスト - ページ\" href=\"" + url + "\">" + sel + "</a>"},
  };
  for (const Case& c : cases) {
    set_clipboard(sel);
    host::Json::Object m{{"kind", "run"}, {"program", c.program}, {"arguments", c.arguments}, {"url", url}};
    if (!c.caption.empty()) m.emplace("caption", c.caption);
    const RunResult r = host({}, host::frame_message(host::to_json(m)));
    ASSERT_EQ(r.status, 0) << c.arguments << ": " << r.err;
    std::size_t at = 0;
    const host::ReadSome read = [&](char* buffer, std::size_t size) {
      const std::size_t n = std::min(size, r.out.size() - at);
      std::copy_n(r.out.data() + at, n, buffer);
      at += n;
      return n;
    };
    const host::Incoming answer = host::read_message(read);
    ASSERT_EQ(answer.kind, host::Incoming::Kind::Message) << r.out;
    EXPECT_EQ(host::to_json(host::parse_json(answer.text).value_or(host::Json("unreadable"))),
              R"({"messages":[],"ok":true,"status":0})")
        << c.arguments;
    EXPECT_EQ(at, r.out.size()) << "one answer only: " << r.out;
    EXPECT_EQ(x_->clipboard(), c.want) << c.arguments;
  }
}

// What the host's launcher relies on: Wine's CreateProcessW and CREATE_BREAKAWAY_FROM_JOB.
TEST_F(HostUnderWine, BreakingAwayFromAJobAsWindowsDoes) {
  const RunResult r = x_->run({"wine", win_ + "/tests/wine_launch.exe", "breakaway"}, wine());
  EXPECT_EQ(r.status, 0) << r.err;
  std::cout << without_cr(r.out);
  EXPECT_EQ(without_cr(r.out),
            "outside a job: ok\n"
            "breaking away forbidden: error 5\n"  // ERROR_ACCESS_DENIED: the launcher tries again without
            "breaking away allowed: ok outside the job\n"
            "without the flag: ok in the job\n");
}

}  // namespace
}  // namespace qm::test

// The Win32 settings window and its about box, driven by window messages as clicks and keys
// reach them: the controls as laid out, the enabling rules mirrored, the tab chain, the
// anchors, "生成" up to the clipboard, and the modal about box.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "about_box_win32.h"
#include "about_text.h"
#include "clipboard_memory.h"
#include "form_model.h"
#include "message_box.h"
#include "settings_form_win32.h"
#include "win32_check.h"
#include "window_win32.h"

namespace qm::settings {
namespace {

using enum ControlId;
using test::describe;
using test::rect_in_parent;

const std::string kProgram = "C:\\Program Files\\Quotemill\\quotemill.exe";

bool ticked(HWND w) { return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void click(HWND w) {
  SendMessageW(w, BM_CLICK, 0, 0);
  win32::handle_waiting_messages();
}

// A key pressed and released on the control that has the focus, through the window loop.
void press(HWND w, WPARAM key, bool repeat = false) {
  PostMessageW(w, WM_KEYDOWN, key, repeat ? (1 << 30) | 1 : 1);
  PostMessageW(w, WM_KEYUP, key, (3u << 30) | 1);
  win32::handle_waiting_messages();
}

std::string name(ControlId id) { return control_spec(id).name; }

// Every control's enabled flag and tick as the model has them.
void check_mirrors(const TForm2& form) {
  for (const ControlSpec& c : form_layout()) {
    QM_CHECK_MSG(bool(IsWindowEnabled(form.control(c.id))) == form.model().enabled(c.id), c.name);
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)
      QM_CHECK_MSG(ticked(form.control(c.id)) == form.model().ticked(c.id), c.name);
  }
}

struct Fixture {
  MemoryClipboard clipboard;
  RecordedBoxes boxes;
  TForm2 form{clipboard, boxes, kProgram, CodePage::shift_jis()};
  Fixture() {
    form.show();
    SetForegroundWindow(form.window());
    win32::handle_waiting_messages();
  }
};

void start_state() {
  Fixture f;
  TForm2& form = f.form;
  wchar_t cls[32];
  GetClassNameW(form.window(), cls, 32);
  QM_CHECK(std::wstring(cls) == L"TForm2");
  QM_CHECK(win32::window_text(form.window()) == "設定");
  RECT outer, client;
  GetWindowRect(form.window(), &outer);
  GetClientRect(form.window(), &client);
  QM_CHECK_MSG(outer.left == 606 && outer.top == 275, std::to_string(outer.left) + "," + std::to_string(outer.top));
  QM_CHECK_MSG(client.right == 268 && client.bottom == 483,
               std::to_string(client.right) + "x" + std::to_string(client.bottom));
  QM_CHECK(GetWindowLongPtrW(form.window(), GWL_STYLE) & WS_THICKFRAME);  // the user can resize it
  for (const ControlSpec& c : form_layout()) {
    HWND w = form.control(c.id);
    QM_CHECK_MSG(w != nullptr, c.name);
    if (!w) continue;
    QM_CHECK_MSG(GetParent(w) == (c.in_frame ? form.control(GroupBox1) : form.window()), c.name);
    QM_CHECK_MSG(rect_in_parent(w) == c.rect, std::string(c.name) + " at " + describe(rect_in_parent(w)));
    QM_CHECK_MSG(win32::window_text(w) == c.caption, c.name);
    QM_CHECK_MSG(bool(IsWindowEnabled(w)) == c.enabled, c.name);
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)
      QM_CHECK_MSG(ticked(w) == c.ticked, c.name);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof font, &font);
    QM_CHECK_MSG(std::wstring(font.lfFaceName) == win32::wide("ＭＳ Ｐゴシック") && font.lfHeight == -12, c.name);
  }
  // At start: the style boxes, radio buttons, CheckBox5, CheckBox6 and both buttons usable.
  for (ControlId id : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, hatenad, RadioButton1, RadioButton2,
                       RadioButton3, CheckBox5, CheckBox6, Button1, Button2, Label1})
    QM_CHECK_MSG(IsWindowEnabled(form.control(id)), name(id));
  for (ControlId id : {CheckBox7, CheckBox8, Edit1, Edit2, Edit3, Edit4, Edit5, Label2})
    QM_CHECK_MSG(!IsWindowEnabled(form.control(id)), name(id));
  // The frame's tooltip, over the frame and its ten controls and nothing else.
  HWND tooltip = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM out) {
    wchar_t c[32];
    GetClassNameW(w, c, 32);
    if (std::wstring(c) == TOOLTIPS_CLASSW) *reinterpret_cast<HWND*>(out) = w;
    return TRUE;
  }, reinterpret_cast<LPARAM>(&tooltip));
  QM_CHECK(tooltip != nullptr);
  if (tooltip) {
    const LRESULT tools = SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    QM_CHECK_MSG(tools == 12, std::to_string(tools));  // the frame and its eleven controls
    for (ControlId id : {GroupBox1, CheckBox1, Edit5, hatenad, Button1}) {
      wchar_t text[80] = L"";
      TTTOOLINFOW info{};
      info.cbSize = TTTOOLINFOW_V2_SIZE;
      info.hwnd = form.window();
      info.uId = reinterpret_cast<UINT_PTR>(form.control(id));
      info.lpszText = text;
      SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
      const bool in_frame = id == GroupBox1 || control_spec(id).in_frame;
      QM_CHECK_MSG((std::wstring(text) == win32::wide("使うだけ選択してください")) == in_frame, name(id));
    }
  }
}

void enabling_rules() {
  Fixture f;
  TForm2& form = f.form;
  auto on = [&](ControlId id) { return bool(IsWindowEnabled(form.control(id))); };
  // The a-tag and the 俺ニュース chains: one level deep, ticks kept when greyed.
  const struct {
    ControlId style, target, field;
  } chains[] = {{CheckBox1, CheckBox7, Edit4}, {CheckBox3, CheckBox8, Edit5}};
  for (const auto& c : chains) {
    click(form.control(c.style));
    QM_CHECK_MSG(on(c.target) && !on(c.field), name(c.style));
    click(form.control(c.target));
    QM_CHECK_MSG(ticked(form.control(c.target)) && on(c.field), name(c.target));
    click(form.control(c.style));  // unticked: the target box greys, keeps its tick; the field stays
    QM_CHECK_MSG(!on(c.target) && ticked(form.control(c.target)) && on(c.field), name(c.style));
    click(form.control(c.style));
    QM_CHECK_MSG(on(c.target) && ticked(form.control(c.target)), name(c.style));
    check_mirrors(form);
  }
  click(form.control(CheckBox4));
  QM_CHECK(on(Label2) && on(Edit2));
  click(form.control(CheckBox4));
  QM_CHECK(!on(Label2) && !on(Edit2));
  click(form.control(CheckBox5));
  QM_CHECK(on(Edit1) && on(Label1));
  click(form.control(CheckBox5));
  QM_CHECK(!on(Edit1) && on(Label1));  // Label1 is never greyed
  // By keyboard: the space bar on the focused box.
  SetFocus(form.control(CheckBox6));
  press(form.control(CheckBox6), VK_SPACE);
  QM_CHECK(ticked(form.control(CheckBox6)) && on(Edit3));
  // No rule for CheckBox2 and hatenad; the radio buttons stay one group.
  click(form.control(CheckBox2));
  click(form.control(hatenad));
  QM_CHECK(form.model().ticked(CheckBox2) && form.model().ticked(hatenad));
  click(form.control(RadioButton3));
  QM_CHECK(ticked(form.control(RadioButton3)) && !ticked(form.control(RadioButton1)));
  QM_CHECK(form.model().line_break() == LineBreak::BrSlash);
  click(form.control(RadioButton2));
  QM_CHECK(form.model().line_break() == LineBreak::Br && !ticked(form.control(RadioButton3)));
  check_mirrors(form);
  // A text the user changes reaches the model.
  SetWindowTextW(form.control(Edit4), L"_top");
  QM_CHECK(form.model().text(Edit4) == "_top");
}

std::string names(const std::vector<ControlId>& ids) {
  std::string out;
  for (ControlId id : ids) out += name(id) + " ";
  return out;
}

ControlId id_of(const TForm2& form, HWND w) {
  for (const ControlSpec& c : form_layout())
    if (form.control(c.id) == w) return c.id;
  return GroupBox1;
}

void tab_chain_and_anchors() {
  Fixture f;
  TForm2& form = f.form;
  // A selected radio button holds the group's tab stop, so the kind tells what takes focus.
  auto takes_focus = [&](HWND w) {
    const ControlId id = id_of(form, w);
    const ControlKind k = control_spec(id).kind;
    return form.control(id) == w && k != ControlKind::Label && k != ControlKind::Frame;
  };
  // The stacking order the focus walks is the tab chain, the frame's controls where it stands.
  std::vector<ControlId> stacked;
  for (HWND w = GetWindow(form.window(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == form.control(GroupBox1))
      for (HWND in = GetWindow(w, GW_CHILD); in; in = GetWindow(in, GW_HWNDNEXT)) {
        if (takes_focus(in)) stacked.push_back(id_of(form, in));
      }
    else if (takes_focus(w))
      stacked.push_back(id_of(form, w));
  }
  const std::vector<ControlId> chain(tab_chain().begin(), tab_chain().end());
  QM_CHECK_MSG(stacked == chain, names(stacked));

  // The Tab key skips greyed controls and, as in the Qt window, the radio buttons of the
  // group that are not selected.
  SetFocus(form.control(CheckBox1));
  std::vector<ControlId> visited;
  for (int i = 0; i < 6; ++i) {
    press(GetFocus(), VK_TAB);
    visited.push_back(id_of(form, GetFocus()));
  }
  QM_CHECK_MSG(visited == (std::vector<ControlId>{CheckBox2, CheckBox3, CheckBox4, hatenad, RadioButton1, CheckBox5}),
               names(visited));
  // Everything usable: the focus visits the whole chain but the unselected radio buttons, and
  // starts again.
  for (ControlId id : {CheckBox1, CheckBox7, CheckBox3, CheckBox8, CheckBox4, CheckBox5, CheckBox6})
    click(form.control(id));
  std::vector<ControlId> want, got;
  for (ControlId id : chain)
    if (id != RadioButton2 && id != RadioButton3) want.push_back(id);
  want.push_back(want.front());
  HWND at = form.control(chain.back());
  for (std::size_t i = 0; i < want.size(); ++i) {
    at = GetNextDlgTabItem(form.window(), at, FALSE);
    got.push_back(id_of(form, at));
  }
  QM_CHECK_MSG(got == want, names(got));
  // The arrow keys move in the radio group and select.
  SetFocus(form.control(RadioButton1));
  press(form.control(RadioButton1), VK_DOWN);
  QM_CHECK(GetFocus() == form.control(RadioButton2) && ticked(form.control(RadioButton2)));
  QM_CHECK(form.model().line_break() == LineBreak::Br && !ticked(form.control(RadioButton1)));

  // Taller and wider: everything below the style frame moves down, "about" also right.
  RECT outer;
  GetWindowRect(form.window(), &outer);
  SetWindowPos(form.window(), nullptr, 0, 0, outer.right - outer.left + 40, outer.bottom - outer.top + 100,
               SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(form.window(), &client);
  QM_CHECK(client.right == 268 + 40 && client.bottom == 483 + 100);
  for (const ControlSpec& c : form_layout()) {
    const Rect r = rect_in_parent(form.control(c.id));
    QM_CHECK_MSG(r == anchored_rect(c, client.right, client.bottom), std::string(c.name) + " at " + describe(r));
  }
  QM_CHECK(rect_in_parent(form.control(Button2)) == (Rect{216, 542, 75, 25}));
  QM_CHECK(rect_in_parent(form.control(GroupBox1)) == (Rect{8, 8, 249, 225}));
  SetWindowPos(form.window(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER);
  QM_CHECK(rect_in_parent(form.control(Button2)) == control_spec(Button2).rect);
}

void generate_runs() {
  {
    Fixture f;
    TForm2& form = f.form;
    click(form.control(CheckBox5));
    SetWindowTextW(form.control(Edit1), L"6a");
    click(form.control(Button1));
    QM_CHECK(f.boxes.shown.size() == 1 &&
             f.boxes.shown.back() == (Box{kAppTitle, kEnterNumber, BoxIcon::None}));
    QM_CHECK(GetFocus() == form.control(Edit1));
    DWORD from = 9, to = 9;
    SendMessageW(form.control(Edit1), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    QM_CHECK(from == 0 && to == 2);  // the whole text selected
    QM_CHECK(f.clipboard.writes == 0 && !form.closed());
    // Return on the focused button presses it, once per press.
    SetFocus(form.control(Button1));
    press(form.control(Button1), VK_RETURN);
    QM_CHECK(f.boxes.shown.size() == 2);
    SetFocus(form.control(Button1));
    press(form.control(Button1), VK_RETURN, true);
    QM_CHECK(f.boxes.shown.size() == 2);
  }
  {
    Fixture f;
    TForm2& form = f.form;
    FormModel want;  // the same choices, made on a model of its own
    for (ControlId id : {CheckBox1, CheckBox7, CheckBox4, CheckBox6, hatenad, RadioButton3}) {
      click(form.control(id));
      want.set_ticked(id, true);
    }
    SetWindowTextW(form.control(Edit4), L"");  // refilled with "_blank" by the run
    want.set_text(Edit4, "");
    SetWindowTextW(form.control(Edit3), win32::wide("引用").c_str());
    want.set_text(Edit3, "引用");
    const HWND window = form.window();
    const CodePage cp = CodePage::shift_jis();
    std::string lines = want.generate(kProgram, cp).lines;
    QM_CHECK(lines.find(from_utf8("item, \"aタグを挿入してコピー\"", cp)) != std::string::npos);
    click(form.control(Button1));
    QM_CHECK(f.clipboard.text.has_value());
    // The desktop's text of the model's lines: UTF-8, with the line breaks the desktop uses.
    std::string expected = to_utf8(lines, cp), got = f.clipboard.text.value_or("");
    auto lf = [](std::string s) {
      for (std::size_t p; (p = s.find("\r\n")) != std::string::npos;) s.erase(p, 1);
      return s;
    };
    QM_CHECK_MSG(lf(got) == lf(expected), got);
    QM_CHECK(got.find("-a='_blank' -x -c='引用' %u") != std::string::npos);
    QM_CHECK(f.boxes.shown.size() == 1 && f.boxes.shown.back() == (Box{kAppTitle, kConfirmation, BoxIcon::None}));
    QM_CHECK(form.closed() && !IsWindow(window));
  }
  {
    // The close button: the window goes, nothing is written.
    Fixture f;
    SendMessageW(f.form.window(), WM_CLOSE, 0, 0);
    QM_CHECK(f.form.closed() && f.clipboard.writes == 0 && f.boxes.shown.empty());
  }
}

// What the timer saw of the open about box.
struct AboutSeen {
  bool open = false, owner_blocked = false, placed = false, titled = false, laid_out = false;
  HWND window = nullptr;
  bool close_by_title_bar = false;
  HWND owner = nullptr;
};
AboutSeen seen;

void CALLBACK answer_about(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  TQuotemill_about* box = TQuotemill_about::current();
  seen.open = box && IsWindowVisible(box->window());
  if (!box) return;
  seen.window = box->window();
  seen.owner_blocked = !IsWindowEnabled(seen.owner);
  RECT outer, client;
  GetWindowRect(box->window(), &outer);
  GetClientRect(box->window(), &client);
  seen.placed = outer.left == 465 && outer.top == 255 && client.right == 246 && client.bottom == 105;
  seen.titled = win32::window_text(box->window()) == kAboutTitle;
  seen.laid_out = rect_in_parent(box->Button1) == (Rect{88, 72, 75, 25}) &&
                  rect_in_parent(box->icon).left == 32 && rect_in_parent(box->icon).top == 16 &&
                  win32::window_text(box->Label1) == kMakerLine && win32::window_text(box->Button1) == "OK" &&
                  GetFocus() == box->Button1;
  if (seen.close_by_title_bar) SendMessageW(box->window(), WM_CLOSE, 0, 0);
  else SendMessageW(box->Button1, BM_CLICK, 0, 0);
}

void about_box() {
  Fixture f;
  TForm2& form = f.form;
  click(form.control(CheckBox2));
  for (bool title_bar : {false, true}) {
    seen = {};
    seen.owner = form.window();
    seen.close_by_title_bar = title_bar;
    SetTimer(nullptr, 0, 200, answer_about);
    SendMessageW(form.control(Button2), BM_CLICK, 0, 0);  // returns when the modal run has ended
    QM_CHECK_MSG(seen.open && seen.owner_blocked && seen.placed && seen.titled && seen.laid_out,
                 title_bar ? "closed by its title bar" : "closed by OK");
    QM_CHECK(TQuotemill_about::current() == nullptr && !IsWindow(seen.window));
    QM_CHECK(IsWindowEnabled(form.window()) && !form.closed());
  }
  QM_CHECK(form.model().ticked(CheckBox2) && ticked(form.control(CheckBox2)));  // every choice unchanged
  QM_CHECK(f.boxes.shown.empty());
}

}  // namespace
}  // namespace qm::settings

int wmain() {
  qm::test::bound_run(60);
  qm::settings::start_state();
  qm::settings::enabling_rules();
  qm::settings::tab_chain_and_anchors();
  qm::settings::generate_runs();
  qm::settings::about_box();
  return qm::test::finish("settings_form_win32_test");
}

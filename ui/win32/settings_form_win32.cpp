#include "settings_form_win32.h"

#include <commctrl.h>

#include "about_box_win32.h"
#include "error.h"
#include "window_win32.h"

namespace qm::settings {
namespace {

using win32::wide;

constexpr wchar_t kFormClass[] = L"TForm2";
constexpr wchar_t kFrameClass[] = L"TGroupBox";

// The style frame holds controls of its own, so it is a window of its own: it passes its
// controls' notices on to the form and lets the keyboard focus walk through it.
LRESULT CALLBACK frame_proc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return SendMessageW(GetParent(frame), message, wparam, lparam);
    case WM_SETFONT:  // kept, as a control keeps its font
      SetWindowLongPtrW(frame, GWLP_USERDATA, static_cast<LONG_PTR>(wparam));
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(frame, GWLP_USERDATA);
  }
  return DefWindowProcW(frame, message, wparam, lparam);
}

void register_classes(WNDPROC form_proc) {
  static const bool registered = [&] {
    win32::register_window_class(kFormClass, form_proc);
    WNDCLASSEXW frame = win32::window_class(kFrameClass, frame_proc);
    frame.hIcon = frame.hIconSm = nullptr;
    RegisterClassExW(&frame);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    return true;
  }();
  (void)registered;
}

constexpr bool takes_focus(ControlKind kind) { return kind != ControlKind::Label && kind != ControlKind::Frame; }

// The window class and style of one control of the layout table.
struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass class_of(const ControlSpec& c) {
  switch (c.kind) {
    case ControlKind::Label:
      // One line, centred vertically in its box; an ampersand is shown as it stands.
      return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0};
    case ControlKind::Frame:
      return {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::TextField: return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::RadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
    case ControlKind::PushButton: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
  }
  return {L"STATIC", 0, 0};
}

void sink(HWND w) { SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }

}  // namespace

TForm2::TForm2(ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path, CodePage cp)
    : controller_(*this, clipboard, boxes, std::move(program_path), std::move(cp)) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  register_classes(&win32::object_window_proc<TForm2>);
  const WindowSpec& window = form_window();
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, wide(window.title).c_str(),
                            WS_OVERLAPPEDWINDOW, window.left, window.top, window.outer_width,
                            window.outer_height, nullptr, nullptr, instance, this);
  if (!window_) throw Error("設定ウィンドウを作ることができません");
  font_ = win32::make_font(window.font_family, window.font_pixel_height);
  build_controls();
  controller_.show_start();
  order_for_tabbing();
  win32::apply_font(window_, font_);
  add_tooltip();
  win32::place_window(window_, window.left, window.top, window.client_width, window.client_height);
}

TForm2::~TForm2() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

void TForm2::show() {
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void TForm2::build_controls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Creation order, the frame before the controls inside it.
  for (const ControlSpec& c : form_layout()) {
    HWND parent = c.in_frame ? control(ControlId::GroupBox1) : window_;
    const std::wstring caption = wide(c.caption);
    const int id = kFirstControlId + static_cast<int>(index_of(c.id));
    DWORD style = WS_CHILD | WS_VISIBLE;
    // Every control starts a group of its own but the radio buttons after the first, so the
    // three form one group in which the arrow keys move.
    if (c.id != ControlId::RadioButton2 && c.id != ControlId::RadioButton3) style |= WS_GROUP;
    HWND w;
    if (c.id == ControlId::GroupBox1) {
      w = CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, caption.c_str(), style, c.rect.left, c.rect.top,
                          c.rect.width, c.rect.height, parent, reinterpret_cast<HMENU>(INT_PTR{id}), instance,
                          nullptr);
      // What the frame looks like: a captioned box over its whole area, under its controls.
      CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX | WS_CLIPSIBLINGS, 0, 0,
                      c.rect.width, c.rect.height, w, nullptr, instance, nullptr);
    } else {
      const ControlClass k = class_of(c);
      w = CreateWindowExW(k.ex_style, k.name, caption.c_str(), style | k.style, c.rect.left, c.rect.top,
                          c.rect.width, c.rect.height, parent, reinterpret_cast<HMENU>(INT_PTR{id}), instance,
                          nullptr);
    }
    if (!w) throw Error("設定ウィンドウを作ることができません");
    if (c.kind == ControlKind::PushButton) win32::press_on_return(w);
    controls_[index_of(c.id)] = w;
  }
}

// The keyboard focus walks the controls in their stacking order, so the stack follows the
// tab chain: the style frame where its first control stands, then the window's controls.
// Frames and labels lie under everything, which also keeps the radio buttons above the frame
// they stand on, as their later creation says.
void TForm2::order_for_tabbing() {
  bool frame_placed = false;
  for (ControlId id : tab_chain()) {
    if (control_spec(id).in_frame && !frame_placed) {
      sink(control(ControlId::GroupBox1));
      frame_placed = true;
    }
    sink(control(id));
  }
  for (const ControlSpec& c : form_layout())
    if (!takes_focus(c.kind) && c.id != ControlId::GroupBox1) sink(control(c.id));
  HWND drawing = GetWindow(control(ControlId::GroupBox1), GW_CHILD);
  while (drawing && GetDlgCtrlID(drawing) != 0) drawing = GetWindow(drawing, GW_HWNDNEXT);
  if (drawing) sink(drawing);
}

// The style frame's tooltip, over the frame and every control inside it.
void TForm2::add_tooltip() {
  const WindowSpec& window = form_window();
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;  // a window without its tooltip still works
  std::wstring text = wide(window.tooltip);
  auto add = [&](HWND tool) {
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  };
  add(control(window.tooltip_frame));
  for (const ControlSpec& c : form_layout())
    if (c.in_frame) add(control(c.id));
}

LRESULT TForm2::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window_) window_ = window;  // from WM_NCCREATE on, before CreateWindowExW returns
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam) - kFirstControlId;
      if (lparam && id >= 0 && id < static_cast<int>(kControlCount))
        command(static_cast<ControlId>(id), HIWORD(wparam));
      return 0;
    }
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) follow_anchors(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_ACTIVATE:
      // A plain window keeps no focused control of its own: it is kept here, as a dialog does.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focus_ = focus;
      } else if (!HIWORD(wparam)) {
        HWND target = focus_ && IsWindowEnabled(focus_) ? focus_ : GetNextDlgTabItem(window_, nullptr, FALSE);
        if (target) SetFocus(target);
      }
      return 0;
    case WM_DESTROY:
      closed_ = true;
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      tooltip_ = nullptr;
      controls_.fill(nullptr);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void TForm2::command(ControlId id, int code) {
  if (control_spec(id).kind == ControlKind::TextField) {
    if (code == EN_CHANGE) controller_.text_changed(id);
  } else if (code == BN_CLICKED) {
    controller_.clicked(id);
  }
}

void TForm2::follow_anchors(int client_width, int client_height) {
  for (const ControlSpec& c : form_layout()) {
    if (c.anchor == Anchor::TopLeft || !control(c.id)) continue;
    const Rect r = anchored_rect(c, client_width, client_height);
    SetWindowPos(control(c.id), nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

bool TForm2::ticked(ControlId id) const { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TForm2::set_ticked(ControlId id, bool on) {
  SendMessageW(control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
std::string TForm2::text(ControlId id) const { return win32::window_text(control(id)); }
void TForm2::set_text(ControlId id, const std::string& utf8) { win32::set_window_text(control(id), utf8); }
void TForm2::set_enabled(ControlId id, bool on) { EnableWindow(control(id), on); }

void TForm2::focus_field(ControlId id) {
  SetFocus(control(id));
  SendMessageW(control(id), EM_SETSEL, 0, -1);
}

void TForm2::show_about() {
  // Destroyed when its modal run ends, on every path out.
  TQuotemill_about about(window_);
  about.exec();
}

void TForm2::close_window() { DestroyWindow(window_); }

}  // namespace qm::settings

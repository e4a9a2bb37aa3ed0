#include "form_layout.h"

#include <algorithm>
#include <array>

namespace qm::settings {
namespace {

using enum ControlId;
using K = ControlKind;
constexpr Anchor TL = Anchor::TopLeft, BL = Anchor::BottomLeft, BR = Anchor::BottomRight;
constexpr bool kFrame = true, kWindow = false;

constexpr std::array<ControlSpec, kControlCount> kLayout{{
    {Label1, K::Label, "Label1", kWindow, {72, 364, 164, 12}, "文字以下の時は改行を削除する", true, false, BL, -1},
    {GroupBox1, K::Frame, "GroupBox1", kWindow, {8, 8, 249, 225}, "コピペスタイル選択", true, false, TL, 0},
    {Label2, K::Label, "Label2", kFrame, {64, 168, 178, 12}, "文字以下の時は自動でqタグにする", false, false, TL, -1},
    {CheckBox1, K::CheckBox, "CheckBox1", kFrame, {8, 16, 105, 17}, "aタグ挿入", true, false, TL, 0},
    {CheckBox2, K::CheckBox, "CheckBox2", kFrame, {8, 112, 97, 17}, "qタグ挿入", true, false, TL, 1},
    {CheckBox3, K::CheckBox, "CheckBox3", kFrame, {8, 64, 201, 17}, "『俺ニュース』スタイルのリンク挿入", true, false, TL, 2},
    {CheckBox4, K::CheckBox, "CheckBox4", kFrame, {8, 136, 121, 17}, "blockquoteタグ挿入", true, false, TL, 3},
    {Edit2, K::TextField, "Edit2", kFrame, {32, 160, 25, 20}, "60", false, false, TL, 4},
    {CheckBox7, K::CheckBox, "CheckBox7", kFrame, {24, 40, 97, 17}, "targetも付加", false, false, TL, 5},
    {CheckBox8, K::CheckBox, "CheckBox8", kFrame, {24, 88, 97, 17}, "targetも付加", false, false, TL, 6},
    {Edit4, K::TextField, "Edit4", kFrame, {112, 40, 121, 20}, "_blank", false, false, TL, 7},
    {Edit5, K::TextField, "Edit5", kFrame, {112, 88, 121, 20}, "_blank", false, false, TL, 8},
    {hatenad, K::CheckBox, "hatenad", kFrame, {8, 192, 225, 17}, "はてなダイアリーの見出しっぽい何か", true, false, TL, 9},
    {RadioGroup1, K::Frame, "RadioGroup1", kWindow, {8, 254, 249, 89}, "改行処理", true, false, BL, 1},
    {RadioButton1, K::RadioButton, "RadioButton1", kWindow, {16, 270, 113, 17}, "そのまま", true, true, BL, 2},
    {RadioButton2, K::RadioButton, "RadioButton2", kWindow, {16, 294, 113, 17}, "<br>挿入", true, false, BL, 3},
    {RadioButton3, K::RadioButton, "RadioButton3", kWindow, {16, 318, 113, 17}, "<br />挿入", true, false, BL, 4},
    // Only as wide as its box: the caption does not show.
    {CheckBox5, K::CheckBox, "CheckBox5", kWindow, {16, 356, 17, 17}, "CheckBox5", true, false, BL, 5},
    {Edit1, K::TextField, "Edit1", kWindow, {40, 356, 25, 20}, "60", false, false, BL, 6},
    {Button1, K::PushButton, "Button1", kWindow, {24, 442, 75, 25}, "生成", true, false, BL, 7},
    {Button2, K::PushButton, "Button2", kWindow, {176, 442, 75, 25}, "about", true, false, BR, 8},
    {CheckBox6, K::CheckBox, "CheckBox6", kWindow, {16, 390, 121, 12}, "Class名を付加する", true, false, BL, 9},
    {Edit3, K::TextField, "Edit3", kWindow, {40, 406, 121, 20}, "class_name", false, false, BL, 10},
}};

// Each control's row, by its id.
constexpr std::array<std::size_t, kControlCount> by_id() {
  std::array<std::size_t, kControlCount> rows{};
  for (std::size_t i = 0; i < kLayout.size(); ++i) rows[index_of(kLayout[i].id)] = i;
  return rows;
}
constexpr std::array<std::size_t, kControlCount> kRowOf = by_id();

constexpr bool takes_focus(const ControlSpec& c) { return c.kind != K::Label && c.kind != K::Frame; }

// The chain follows from the tab orders: each parent's controls sorted by theirs, the frame's
// controls standing where the frame stands.
constexpr std::size_t kChainLength = [] {
  std::size_t n = 0;
  for (const ControlSpec& c : kLayout) n += takes_focus(c);
  return n;
}();

constexpr std::array<ControlId, kChainLength> chain() {
  std::array<ControlSpec, kControlCount> sorted = kLayout;
  std::sort(sorted.begin(), sorted.end(),
            [](const ControlSpec& a, const ControlSpec& b) { return a.tab_order < b.tab_order; });
  std::array<ControlId, kChainLength> out{};
  std::size_t n = 0;
  for (const ControlSpec& w : sorted) {
    if (w.in_frame) continue;
    if (w.id == GroupBox1) {
      for (const ControlSpec& f : sorted)
        if (f.in_frame && takes_focus(f)) out[n++] = f.id;
    } else if (takes_focus(w)) {
      out[n++] = w.id;
    }
  }
  return out;
}
constexpr std::array<ControlId, kChainLength> kChain = chain();

constexpr WindowSpec kWindowSpec{
    "Form2", "設定", 606, 275, 276, 511, 268, 483, "ＭＳ Ｐゴシック", 12, GroupBox1, "使うだけ選択してください",
};

}  // namespace

std::span<const ControlSpec> form_layout() { return kLayout; }
const ControlSpec& control_spec(ControlId id) { return kLayout[kRowOf[index_of(id)]]; }
std::span<const ControlId> tab_chain() { return kChain; }
const WindowSpec& form_window() { return kWindowSpec; }

Rect anchored_rect(const ControlSpec& c, int client_width, int client_height) {
  Rect r = c.rect;
  if (c.anchor == Anchor::TopLeft) return r;
  r.top += client_height - kWindowSpec.client_height;
  if (c.anchor == Anchor::BottomRight) r.left += client_width - kWindowSpec.client_width;
  return r;
}

}  // namespace qm::settings

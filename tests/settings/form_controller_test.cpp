// The settings form's controller, which the Qt window and the Win32 window both hand their
// events to, over a view of its own that behaves as the toolkits do: the state at start, the
// handlers by their names, and "生成" up to the clipboard and the boxes, as tables.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "clipboard_memory.h"
#include "error.h"
#include "form_controller.h"

namespace qm::settings {
namespace {

using enum ControlId;

const std::string kPath = "/usr/local/bin/quotemill";
const std::string kA = "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kQ = "item, \"qタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kB = "item, \"blockquoteタグを挿入してコピー\" = Copy & Execute program,\"";
const Box kConfirmationBox{"Quotemill", kConfirmation, BoxIcon::None};
const Box kNumberBox{"Quotemill", kEnterNumber, BoxIcon::None};

// One menu line as the clipboard holds it (the desktop breaks lines with LF).
std::string line(const std::string& head, const std::string& rest) { return head + kPath + rest + "\"\n"; }

// The controls as a window holds them, and what the controller asked of the window.
class MemoryView : public FormView {
 public:
  struct Control {
    bool ticked = false;
    bool enabled = true;
    std::string text;
  };

  bool ticked(ControlId id) const override { return at(id).ticked; }
  void set_ticked(ControlId id, bool on) override { at(id).ticked = on; }
  std::string text(ControlId id) const override { return at(id).text; }
  void set_text(ControlId id, const std::string& utf8) override { at(id).text = utf8; }
  void set_enabled(ControlId id, bool on) override { at(id).enabled = on; }
  void focus_field(ControlId id) override { focus = id; }
  void show_about() override {
    ++abouts;
    if (about_fails) throw Error("about");
  }
  void close_window() override { closed = true; }

  Control& at(ControlId id) { return controls[index_of(id)]; }
  const Control& at(ControlId id) const { return controls[index_of(id)]; }

  std::array<Control, kControlCount> controls{};
  std::optional<ControlId> focus;
  int abouts = 0;
  bool about_fails = false;
  bool closed = false;
};

// A window over the controller, used as the user uses one: a click on a greyed control does
// nothing; a click toggles a box or selects a radio button (the toolkit unselects the other
// two without an event of their own); typing replaces a field's text.
struct Form {
  explicit Form(const std::string& path = kPath) : controller(view, clipboard, boxes, path, CodePage::utf8()) {
    controller.show_start();
  }

  void click(ControlId id) {
    MemoryView::Control& c = view.at(id);
    if (!c.enabled) return;
    if (control_spec(id).kind == ControlKind::CheckBox) c.ticked = !c.ticked;
    if (control_spec(id).kind == ControlKind::RadioButton)
      for (ControlId r : {RadioButton1, RadioButton2, RadioButton3}) view.at(r).ticked = r == id;
    controller.clicked(id);
  }
  void type(ControlId id, const std::string& text) {
    view.at(id).text = text;
    controller.text_changed(id);
  }

  MemoryClipboard clipboard{std::string("before")};
  RecordedBoxes boxes;
  MemoryView view;
  FormController controller;
};

TEST(FormController, StartShowsTheFormsState) {
  Form f;
  for (const ControlSpec& c : form_layout()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.view.at(c.id).enabled, c.enabled);
    EXPECT_EQ(f.view.at(c.id).enabled, f.controller.model().enabled(c.id));
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) {
      EXPECT_EQ(f.view.at(c.id).ticked, c.ticked);
    }
    if (c.kind == ControlKind::TextField) {
      EXPECT_EQ(f.view.at(c.id).text, c.caption);
    }
  }
  EXPECT_TRUE(f.view.at(RadioButton1).ticked);
  EXPECT_FALSE(f.view.at(Edit4).enabled);
  EXPECT_TRUE(f.boxes.shown.empty());
  EXPECT_EQ(f.clipboard.acquisitions, 0);
}

// Each enabling handler, called by its name as a window's event calls it, sets its
// dependents to the box's tick, one level deep.
TEST(FormController, EnablingHandlersByTheirNames) {
  const struct {
    void (FormController::*handler)();
    ControlId box;
    std::vector<ControlId> dependents;
  } rows[] = {
      {&FormController::CheckBox1Click, CheckBox1, {CheckBox7}},
      {&FormController::CheckBox7Click, CheckBox7, {Edit4}},
      {&FormController::CheckBox3Click, CheckBox3, {CheckBox8}},
      {&FormController::CheckBox8Click, CheckBox8, {Edit5}},
      {&FormController::CheckBox4Click, CheckBox4, {Label2, Edit2}},
      {&FormController::CheckBox5Click, CheckBox5, {Edit1}},
      {&FormController::CheckBox6Click, CheckBox6, {Edit3}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(control_spec(r.box).name);
    Form f;
    for (bool tick : {true, false, true}) {
      f.view.at(r.box).ticked = tick;
      (f.controller.*r.handler)();
      EXPECT_EQ(f.controller.model().ticked(r.box), tick);
      for (ControlId d : r.dependents) {
        EXPECT_EQ(f.view.at(d).enabled, tick) << control_spec(d).name;
        EXPECT_EQ(f.controller.model().enabled(d), tick) << control_spec(d).name;
      }
    }
  }
}

TEST(FormController, ClicksReachTheHandlersOneLevelDeep) {
  Form f;
  f.click(CheckBox1);
  f.click(CheckBox7);
  EXPECT_TRUE(f.view.at(Edit4).enabled);
  f.click(CheckBox1);  // the target box greys and keeps its tick; the field stays usable
  EXPECT_FALSE(f.view.at(CheckBox7).enabled);
  EXPECT_TRUE(f.view.at(CheckBox7).ticked);
  EXPECT_TRUE(f.view.at(Edit4).enabled);
  // Ticks without a handler reach the model and change nothing else.
  f.click(CheckBox2);
  f.click(hatenad);
  f.click(RadioButton3);
  EXPECT_TRUE(f.controller.model().ticked(CheckBox2) && f.controller.model().ticked(hatenad));
  EXPECT_EQ(f.controller.model().line_break(), LineBreak::BrSlash);
  EXPECT_FALSE(f.view.at(CheckBox8).enabled);
  f.type(Edit3, "quote");
  EXPECT_EQ(f.controller.model().text(Edit3), "quote");
  EXPECT_TRUE(f.boxes.shown.empty());
  EXPECT_EQ(f.view.abouts, 0);
}

// "生成" from what the user did to what the form shows and the clipboard holds.
TEST(FormController, GeneratorRuns) {
  const struct Row {
    const char* name;
    std::function<void(Form&)> steps;
    std::optional<std::string> clipboard;  // "before" when nothing was written
    std::vector<Box> boxes;
    bool closed;
    std::optional<ControlId> focus;
    std::vector<std::pair<ControlId, std::string>> texts;  // as the view shows them after
  } rows[] = {
      {"one style",
       [](Form& f) { f.click(CheckBox1); },
       line(kA, "\",\" -a  %u"), {kConfirmationBox}, true, std::nullopt, {}},
      {"numbers rewritten in their fields",
       [](Form& f) {
         f.click(CheckBox2);
         f.click(CheckBox4);
         f.type(Edit2, "0x10");
         f.click(CheckBox5);
         f.type(Edit1, "+050");
       },
       line(kQ, "\",\" -q  -d=50 %u") + line(kB, "\",\" -b16  -d=50 %u"), {kConfirmationBox}, true, std::nullopt,
       {{Edit2, "16"}, {Edit1, "50"}}},
      {"an emptied target refilled",
       [](Form& f) {
         f.click(CheckBox1);
         f.click(CheckBox7);
         f.type(Edit4, "");
         f.click(RadioButton2);
       },
       line(kA, "\",\" -a='_blank' -h %u"), {kConfirmationBox}, true, std::nullopt, {{Edit4, "_blank"}}},
      {"a bad number keeps the window and takes the focus",
       [](Form& f) {
         f.click(CheckBox2);
         f.click(CheckBox5);
         f.type(Edit1, "6a");
       },
       "before", {kNumberBox}, false, Edit1, {{Edit1, "6a"}}},
      {"a clipboard that cannot be opened is told, the window stays",
       [](Form& f) {
         f.click(CheckBox2);
         f.clipboard.fail_acquire = true;
       },
       "before", {Box{"Quotemill", "クリップボードを開くことができません.", BoxIcon::Stop}}, false, std::nullopt, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Form f;
    r.steps(f);
    f.click(Button1);
    EXPECT_EQ(f.clipboard.text, r.clipboard);
    EXPECT_EQ(f.clipboard.forms, Forms::Text);  // menu lines are no HTML to paste
    EXPECT_EQ(f.boxes.shown, r.boxes);
    EXPECT_EQ(f.view.closed, r.closed);
    EXPECT_EQ(f.view.focus, r.focus);
    EXPECT_FALSE(f.clipboard.held);
    for (const auto& [id, text] : r.texts) {
      EXPECT_EQ(f.view.at(id).text, text) << control_spec(id).name;
      EXPECT_EQ(f.controller.model().text(id), text) << control_spec(id).name;
    }
  }
}

TEST(FormController, ProgramPathWithAQuoteWritesNothing) {
  Form f("/opt/odd\"dir/quotemill");
  f.click(CheckBox2);
  f.controller.Button1Click();
  EXPECT_EQ(f.boxes.shown, std::vector<Box>{(Box{"Quotemill", kQuoteInProgram, BoxIcon::None})});
  EXPECT_EQ(f.clipboard.writes, 0);
  EXPECT_FALSE(f.view.closed);
}

TEST(FormController, AboutBoxThroughTheView) {
  Form f;
  f.click(CheckBox1);
  f.click(Button2);
  EXPECT_EQ(f.view.abouts, 1);
  EXPECT_TRUE(f.boxes.shown.empty());
  // An error while the about box is made is reported as the window loop reports it.
  f.view.about_fails = true;
  f.controller.Button2Click();
  EXPECT_EQ(f.view.abouts, 2);
  EXPECT_EQ(f.boxes.shown, std::vector<Box>{(Box{"Quotemill", "about.", BoxIcon::Stop})});
  EXPECT_FALSE(f.view.closed);
  EXPECT_TRUE(f.controller.model().ticked(CheckBox1));
  EXPECT_EQ(f.clipboard.acquisitions, 0);
}

}  // namespace
}  // namespace qm::settings

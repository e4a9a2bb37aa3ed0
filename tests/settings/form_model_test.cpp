// The settings form without a toolkit, as tables: the layout every window builds from, the
// state at start, the seven enabling rules, what "生成" reads and what its run leaves behind.

#include <gtest/gtest.h>

#include <set>

#include "form_model.h"

namespace qm::settings {
namespace {

using enum ControlId;

const std::string P = "/usr/local/bin/quotemill";

std::vector<ControlId> all_controls() {
  std::vector<ControlId> ids;
  for (std::size_t i = 0; i < kControlCount; ++i) ids.push_back(static_cast<ControlId>(i));
  return ids;
}

// The controls that are enabled, in declaration order.
std::vector<ControlId> enabled_set(const FormModel& m) {
  std::vector<ControlId> out;
  for (ControlId id : all_controls())
    if (m.enabled(id)) out.push_back(id);
  return out;
}

std::vector<ControlId> without(std::vector<ControlId> ids, const std::vector<ControlId>& gone) {
  std::erase_if(ids, [&](ControlId id) { return std::find(gone.begin(), gone.end(), id) != gone.end(); });
  return ids;
}

const std::vector<ControlId> kGreyAtStart{Label2, Edit2, CheckBox7, CheckBox8, Edit4, Edit5, Edit1, Edit3};

TEST(FormLayout, EveryControlOnceByItsId) {
  ASSERT_EQ(form_layout().size(), kControlCount);
  std::set<std::string> names;
  for (ControlId id : all_controls()) {
    const ControlSpec& c = control_spec(id);
    EXPECT_EQ(c.id, id);
    names.insert(c.name);
  }
  EXPECT_EQ(names.size(), kControlCount);
  // Creation order starts with Label1, and the frame comes before the controls inside it.
  EXPECT_EQ(form_layout().front().id, Label1);
  bool frame_seen = false;
  for (const ControlSpec& c : form_layout()) {
    if (c.id == GroupBox1) frame_seen = true;
    if (c.in_frame) {
      EXPECT_TRUE(frame_seen) << c.name;
    }
  }
}

TEST(FormLayout, KindsParentsAnchors) {
  const struct {
    ControlId id;
    ControlKind kind;
    bool in_frame;
    Anchor anchor;
  } rows[] = {
      {Label1, ControlKind::Label, false, Anchor::BottomLeft},
      {GroupBox1, ControlKind::Frame, false, Anchor::TopLeft},
      {Label2, ControlKind::Label, true, Anchor::TopLeft},
      {CheckBox1, ControlKind::CheckBox, true, Anchor::TopLeft},
      {CheckBox2, ControlKind::CheckBox, true, Anchor::TopLeft},
      {CheckBox3, ControlKind::CheckBox, true, Anchor::TopLeft},
      {CheckBox4, ControlKind::CheckBox, true, Anchor::TopLeft},
      {Edit2, ControlKind::TextField, true, Anchor::TopLeft},
      {CheckBox7, ControlKind::CheckBox, true, Anchor::TopLeft},
      {CheckBox8, ControlKind::CheckBox, true, Anchor::TopLeft},
      {Edit4, ControlKind::TextField, true, Anchor::TopLeft},
      {Edit5, ControlKind::TextField, true, Anchor::TopLeft},
      {hatenad, ControlKind::CheckBox, true, Anchor::TopLeft},
      {RadioGroup1, ControlKind::Frame, false, Anchor::BottomLeft},
      {RadioButton1, ControlKind::RadioButton, false, Anchor::BottomLeft},
      {RadioButton2, ControlKind::RadioButton, false, Anchor::BottomLeft},
      {RadioButton3, ControlKind::RadioButton, false, Anchor::BottomLeft},
      {CheckBox5, ControlKind::CheckBox, false, Anchor::BottomLeft},
      {Edit1, ControlKind::TextField, false, Anchor::BottomLeft},
      {Button1, ControlKind::PushButton, false, Anchor::BottomLeft},
      {Button2, ControlKind::PushButton, false, Anchor::BottomRight},
      {CheckBox6, ControlKind::CheckBox, false, Anchor::BottomLeft},
      {Edit3, ControlKind::TextField, false, Anchor::BottomLeft},
  };
  ASSERT_EQ(std::size(rows), kControlCount);
  for (const auto& r : rows) {
    const ControlSpec& c = control_spec(r.id);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.kind, r.kind);
    EXPECT_EQ(c.in_frame, r.in_frame);
    EXPECT_EQ(c.anchor, r.anchor);
    EXPECT_EQ(c.tab_order < 0, c.kind == ControlKind::Label);
  }
}

TEST(FormLayout, TabChainVisitsTheFrameFirst) {
  const std::vector<ControlId> want{CheckBox1, CheckBox2, CheckBox3, CheckBox4, Edit2, CheckBox7, CheckBox8,
                                    Edit4, Edit5, hatenad, RadioButton1, RadioButton2, RadioButton3,
                                    CheckBox5, Edit1, Button1, Button2, CheckBox6, Edit3};
  const std::span<const ControlId> chain = tab_chain();
  EXPECT_EQ(std::vector<ControlId>(chain.begin(), chain.end()), want);
}

TEST(FormLayout, Window) {
  const WindowSpec& w = form_window();
  EXPECT_STREQ(w.name, "Form2");
  EXPECT_STREQ(w.title, "設定");
  EXPECT_EQ(std::pair(w.left, w.top), std::pair(606, 275));
  EXPECT_EQ(std::pair(w.outer_width, w.outer_height), std::pair(276, 511));
  EXPECT_EQ(std::pair(w.client_width, w.client_height), std::pair(268, 483));
  EXPECT_STREQ(w.font_family, "ＭＳ Ｐゴシック");
  EXPECT_EQ(w.font_pixel_height, 12);
  EXPECT_EQ(w.tooltip_frame, GroupBox1);
  EXPECT_STREQ(w.tooltip, "使うだけ選択してください");
}

TEST(FormLayout, AnchoredRects) {
  const struct {
    ControlId id;
    int width, height;
    Rect want;
  } rows[] = {
      {CheckBox1, 268 + 40, 483 + 100, {8, 16, 105, 17}},    // in the frame: stays
      {GroupBox1, 268 + 40, 483 + 100, {8, 8, 249, 225}},     // top-left: stays
      {RadioGroup1, 268 + 40, 483 + 100, {8, 354, 249, 89}},  // bottom-left: down only
      {Label1, 268 + 40, 483 + 100, {72, 464, 164, 12}},
      {Button1, 268 + 40, 483 + 100, {24, 542, 75, 25}},
      {Button2, 268 + 40, 483 + 100, {216, 542, 75, 25}},     // bottom-right: down and right
      {Button2, 268, 483, {176, 442, 75, 25}},                // the designed size
      {Button2, 268 - 20, 483 - 30, {156, 412, 75, 25}},      // smaller: up and left
      {Edit3, 100, 483 - 30, {40, 376, 121, 20}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(control_spec(r.id).name);
    EXPECT_EQ(anchored_rect(control_spec(r.id), r.width, r.height), r.want);
  }
}

TEST(FormModel, StartState) {
  const FormModel m;
  EXPECT_EQ(enabled_set(m), without(all_controls(), kGreyAtStart));
  for (ControlId id : all_controls()) EXPECT_EQ(m.ticked(id), id == RadioButton1) << control_spec(id).name;
  const struct {
    ControlId id;
    const char* text;
  } texts[] = {{Edit1, "60"}, {Edit2, "60"}, {Edit3, "class_name"}, {Edit4, "_blank"}, {Edit5, "_blank"}};
  for (const auto& t : texts) EXPECT_EQ(m.text(t.id), t.text);
  EXPECT_EQ(m.line_break(), LineBreak::Keep);
}

// Each rule alone, from the start state: ticking enables exactly its dependents (in its
// order), unticking greys them again, and nothing else moves.
TEST(FormModel, SevenEnablingRules) {
  const struct {
    ControlId box;
    std::vector<ControlId> dependents;
  } rules[] = {
      {CheckBox1, {CheckBox7}}, {CheckBox7, {Edit4}},        {CheckBox3, {CheckBox8}}, {CheckBox8, {Edit5}},
      {CheckBox4, {Label2, Edit2}}, {CheckBox5, {Edit1}}, {CheckBox6, {Edit3}},
  };
  for (const auto& r : rules) {
    SCOPED_TRACE(control_spec(r.box).name);
    FormModel m;
    const std::vector<ControlId> start = enabled_set(m);
    const std::span<const ControlId> set = m.set_ticked(r.box, true);
    EXPECT_EQ(std::vector<ControlId>(set.begin(), set.end()), r.dependents);
    std::vector<ControlId> want = start;
    for (ControlId d : r.dependents)
      if (std::find(want.begin(), want.end(), d) == want.end()) want.push_back(d);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(enabled_set(m), want);
    EXPECT_TRUE(m.ticked(r.box));
    m.set_ticked(r.box, false);
    for (ControlId d : r.dependents) EXPECT_FALSE(m.enabled(d)) << control_spec(d).name;
    EXPECT_EQ(enabled_set(m), start);
    EXPECT_FALSE(m.ticked(r.box));
  }
  // Exactly these seven boxes have a rule.
  std::size_t with_rule = 0;
  for (ControlId id : all_controls()) with_rule += !enabled_by(id).empty();
  EXPECT_EQ(with_rule, std::size(rules));
}

TEST(FormModel, RulesActOneLevelDeep) {
  const struct {
    ControlId style, target, field;
  } chains[] = {{CheckBox1, CheckBox7, Edit4}, {CheckBox3, CheckBox8, Edit5}};
  for (const auto& c : chains) {
    SCOPED_TRACE(control_spec(c.style).name);
    FormModel m;
    m.set_ticked(c.style, true);
    EXPECT_TRUE(m.enabled(c.target));
    EXPECT_FALSE(m.enabled(c.field));
    m.set_ticked(c.target, true);
    EXPECT_TRUE(m.enabled(c.field));
    m.set_text(c.field, "_top");
    m.set_ticked(c.style, false);  // greys the target box, which keeps its tick; the field stays
    EXPECT_FALSE(m.enabled(c.target));
    EXPECT_TRUE(m.ticked(c.target));
    EXPECT_TRUE(m.enabled(c.field));
    EXPECT_EQ(m.text(c.field), "_top");
    m.set_ticked(c.style, true);
    EXPECT_TRUE(m.enabled(c.target));
    EXPECT_TRUE(m.ticked(c.target));
  }
  // Greying a field keeps its text; Label1 is never greyed.
  FormModel m;
  m.set_ticked(CheckBox5, true);
  m.set_text(Edit1, "30");
  m.set_ticked(CheckBox5, false);
  EXPECT_EQ(m.text(Edit1), "30");
  EXPECT_TRUE(m.enabled(Label1));
}

TEST(FormModel, TicksWithoutRulesAndOtherControls) {
  FormModel m;
  const std::vector<ControlId> start = enabled_set(m);
  for (ControlId id : {CheckBox2, hatenad}) {
    EXPECT_TRUE(m.set_ticked(id, true).empty());
    EXPECT_TRUE(m.ticked(id));
  }
  // Radio buttons: one selected at any time.
  EXPECT_TRUE(m.set_ticked(RadioButton3, true).empty());
  EXPECT_EQ(m.line_break(), LineBreak::BrSlash);
  EXPECT_FALSE(m.ticked(RadioButton1));
  m.set_ticked(RadioButton3, false);  // alone, as a toolkit reports the old button of a pair
  EXPECT_TRUE(m.ticked(RadioButton3));
  m.set_ticked(RadioButton2, true);
  EXPECT_EQ(m.line_break(), LineBreak::Br);
  EXPECT_FALSE(m.ticked(RadioButton3));
  // Frames, labels, fields and buttons carry no tick; labels and buttons no text.
  for (ControlId id : {GroupBox1, Label2, Edit1, Button1}) {
    EXPECT_TRUE(m.set_ticked(id, true).empty());
    EXPECT_FALSE(m.ticked(id));
  }
  m.set_text(Label1, "x");
  EXPECT_EQ(m.text(Label1), "");
  EXPECT_EQ(enabled_set(m), start);
}

class FormReading : public ::testing::TestWithParam<CodePage> {};

TEST_P(FormReading, ChoicesFollowTheTicksAndTexts) {
  const CodePage cp = GetParam();
  FormChoices start;
  start.a_target_text = start.ore_target_text = "_blank";
  start.quote_threshold = start.join_threshold = "60";
  start.class_text = "class_name";
  EXPECT_EQ(FormModel().choices(cp), start);

  const struct {
    const char* name;
    std::vector<std::pair<ControlId, bool>> ticks;
    std::vector<std::pair<ControlId, std::string>> texts;  // UTF-8
    FormChoices want;
  } cases[] = {
      {"a tag with target",
       {{CheckBox1, true}, {CheckBox7, true}},
       {{Edit4, "_top"}},
       [&] {
         FormChoices c = start;
         c.a_tag = c.a_target = true;
         c.a_target_text = "_top";
         return c;
       }()},
      // The reading takes the ticks, not the enabled flags.
      {"target box ticked, then its style unticked",
       {{CheckBox3, true}, {CheckBox8, true}, {CheckBox3, false}},
       {},
       [&] {
         FormChoices c = start;
         c.ore_target = true;
         return c;
       }()},
      {"every option and style",
       {{CheckBox2, true}, {CheckBox4, true}, {hatenad, true}, {RadioButton2, true}, {CheckBox5, true},
        {CheckBox6, true}},
       {{Edit1, "abc"}, {Edit2, ""}, {Edit3, "引用 'x\""}},
       [&] {
         FormChoices c = start;
         c.q_tag = c.blockquote = c.hatena = c.join_lines = c.class_name = true;
         c.line_break = LineBreak::Br;
         c.join_threshold = "abc";
         c.quote_threshold = "";
         c.class_text = "引用 'x\"";
         return c;
       }()},
      {"<br /> after <br>", {{RadioButton2, true}, {RadioButton3, true}}, {}, [&] {
         FormChoices c = start;
         c.line_break = LineBreak::BrSlash;
         return c;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FormModel m;
    for (const auto& [id, on] : c.ticks) m.set_ticked(id, on);
    for (const auto& [id, text] : c.texts) m.set_text(id, text);
    FormChoices got = m.choices(cp);
    // Texts reach the generator in the code page.
    got.class_text = to_utf8(got.class_text, cp);
    EXPECT_EQ(got, c.want);
  }
  FormModel m;
  m.set_text(Edit3, "引用");
  EXPECT_EQ(m.choices(cp).class_text, from_utf8("引用", cp));
}

TEST_P(FormReading, GenerateTakesOverTheRewrittenTexts) {
  const CodePage cp = GetParam();
  FormModel m;
  m.set_ticked(CheckBox1, true);
  m.set_ticked(CheckBox7, true);
  m.set_text(Edit4, "");
  m.set_ticked(CheckBox4, true);
  m.set_text(Edit2, "0x10");
  m.set_ticked(CheckBox6, true);
  m.set_text(Edit3, "引用");
  const FormRun run = m.generate(P, cp);
  EXPECT_EQ(run.message, nullptr);
  EXPECT_EQ(run.focus, std::nullopt);
  EXPECT_EQ(run.rewritten, (std::vector<ControlId>{Edit4, Edit2}));
  EXPECT_EQ(m.text(Edit4), "_blank");
  EXPECT_EQ(m.text(Edit2), "16");
  EXPECT_EQ(to_utf8(run.lines, cp),
            "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"" + P + "\",\" -a='_blank' -c='引用' %u\"\r\n" +
                "item, \"blockquoteタグを挿入してコピー\" = Copy & Execute program,\"" + P +
                "\",\" -b16  -c='引用' %u\"\r\n");
  // A second run reads the texts the first one left.
  EXPECT_EQ(m.generate(P, cp).rewritten, std::vector<ControlId>{});
}

TEST_P(FormReading, GenerateRefusals) {
  const CodePage cp = GetParam();
  {
    FormModel m;
    m.set_ticked(CheckBox5, true);
    m.set_text(Edit1, "+050");
    m.set_ticked(CheckBox4, true);
    m.set_text(Edit2, "-5");
    const FormRun run = m.generate(P, cp);
    EXPECT_STREQ(run.message, kEnterNumber);
    EXPECT_EQ(run.focus, std::optional(Edit2));
    EXPECT_EQ(run.rewritten, std::vector<ControlId>{Edit1});  // checked before the refusal
    EXPECT_EQ(m.text(Edit1), "50");
    EXPECT_EQ(m.text(Edit2), "-5");
    EXPECT_EQ(run.lines, "");
  }
  {
    FormModel m;
    m.set_ticked(CheckBox5, true);
    m.set_text(Edit1, "abc");
    const FormRun run = m.generate(P, cp);
    EXPECT_STREQ(run.message, kEnterNumber);
    EXPECT_EQ(run.focus, std::optional(Edit1));
    EXPECT_EQ(m.text(Edit1), "abc");
  }
  {
    FormModel m;
    m.set_ticked(CheckBox2, true);
    const FormRun run = m.generate("/opt/a\"b/quotemill", cp);
    EXPECT_STREQ(run.message, kQuoteInProgram);
    EXPECT_EQ(run.focus, std::nullopt);
    EXPECT_EQ(run.lines, "");
  }
  {
    // Nothing ticked: no message, an empty text to write.
    FormModel m;
    const FormRun run = m.generate(P, cp);
    EXPECT_EQ(run.message, nullptr);
    EXPECT_EQ(run.lines, "");
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, FormReading, ::testing::Values(CodePage::utf8(), CodePage::shift_jis()),
                         [](const auto& info) { return info.param.is_utf8() ? "utf8" : "shift_jis"; });

}  // namespace
}  // namespace qm::settings

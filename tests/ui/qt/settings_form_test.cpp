// The settings window on Qt's offscreen platform, with an in-memory clipboard and recorded
// boxes: nothing modal appears except the about box, which every test closes itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "about_box.h"
#include "clipboard_memory.h"
#include "look.h"
#include "settings_form.h"

namespace qm::settings {
namespace {

const std::string kPath = "/usr/local/bin/quotemill";
const std::string kA = "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kQ = "item, \"qタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kO = "item, \"『俺ニュース』方式リンクでコピー\" = Copy & Execute program,\"";
const std::string kB = "item, \"blockquoteタグを挿入してコピー\" = Copy & Execute program,\"";
const std::string kH = "item, \"はてなダイアリーの見出しっぽくコピー\" = Copy & Execute program,\"";
const Box kConfirmationBox{"Quotemill", kConfirmation, BoxIcon::None};
const Box kNumberBox{"Quotemill", "数値を入力してください", BoxIcon::None};

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

class SettingsForm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { apply_look(*qApp); }

  SettingsForm() : form(clipboard, boxes, kPath, cp()) {
    form.show();
    QApplication::setActiveWindow(&form);
  }
  static CodePage cp() { return CodePage::utf8(); }

  void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2)); }
  // The clipboard as a desktop program would read it (the lines end in LF there).
  std::string clipboard_lines() const { return clipboard.text.value_or("<no text>"); }
  static std::string lf(const std::string& head, const std::string& rest) { return head + kPath + rest + "\"\n"; }

  MemoryClipboard clipboard{std::string("before")};
  RecordedBoxes boxes;
  TForm2 form;
};

using Form = SettingsForm;

TEST_F(Form, WindowAsDesigned) {
  EXPECT_EQ(form.objectName(), "Form2");
  EXPECT_EQ(form.windowTitle(), q("設定"));
  EXPECT_EQ(form.pos(), QPoint(606, 275));
  EXPECT_EQ(form.size(), QSize(268, 483));
  EXPECT_EQ(form.font().family(), q("ＭＳ Ｐゴシック"));
  EXPECT_EQ(form.font().pixelSize(), 12);
  EXPECT_EQ(QFontInfo(form.CheckBox1->font()).family(), "IPAPGothic");
  EXPECT_EQ(form.backgroundRole(), QPalette::Button);
  EXPECT_FALSE(form.windowIcon().isNull());
}

TEST_F(Form, ControlsAsDesigned) {
  struct Row {
    const char* name;
    const char* parent;
    QRect rect;
    const char* caption;
    bool enabled;
  };
  const Row rows[] = {
      {"Label1", "Form2", {72, 364, 164, 12}, "文字以下の時は改行を削除する", true},
      {"GroupBox1", "Form2", {8, 8, 249, 225}, "コピペスタイル選択", true},
      {"Label2", "GroupBox1", {64, 168, 178, 12}, "文字以下の時は自動でqタグにする", false},
      {"CheckBox1", "GroupBox1", {8, 16, 105, 17}, "aタグ挿入", true},
      {"CheckBox2", "GroupBox1", {8, 112, 97, 17}, "qタグ挿入", true},
      {"CheckBox3", "GroupBox1", {8, 64, 201, 17}, "『俺ニュース』スタイルのリンク挿入", true},
      {"CheckBox4", "GroupBox1", {8, 136, 121, 17}, "blockquoteタグ挿入", true},
      {"Edit2", "GroupBox1", {32, 160, 25, 20}, "60", false},
      {"CheckBox7", "GroupBox1", {24, 40, 97, 17}, "targetも付加", false},
      {"CheckBox8", "GroupBox1", {24, 88, 97, 17}, "targetも付加", false},
      {"Edit4", "GroupBox1", {112, 40, 121, 20}, "_blank", false},
      {"Edit5", "GroupBox1", {112, 88, 121, 20}, "_blank", false},
      {"hatenad", "GroupBox1", {8, 192, 225, 17}, "はてなダイアリーの見出しっぽい何か", true},
      {"RadioGroup1", "Form2", {8, 254, 249, 89}, "改行処理", true},
      {"RadioButton1", "Form2", {16, 270, 113, 17}, "そのまま", true},
      {"RadioButton2", "Form2", {16, 294, 113, 17}, "<br>挿入", true},
      {"RadioButton3", "Form2", {16, 318, 113, 17}, "<br />挿入", true},
      {"CheckBox5", "Form2", {16, 356, 17, 17}, "CheckBox5", true},
      {"Edit1", "Form2", {40, 356, 25, 20}, "60", false},
      {"Button1", "Form2", {24, 442, 75, 25}, "生成", true},
      {"Button2", "Form2", {176, 442, 75, 25}, "about", true},
      {"CheckBox6", "Form2", {16, 390, 121, 12}, "Class名を付加する", true},
      {"Edit3", "Form2", {40, 406, 121, 20}, "class_name", false},
  };
  QWidget* previous = nullptr;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = form.findChild<QWidget*>(r.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget()->objectName(), r.parent);
    EXPECT_EQ(w->geometry(), r.rect);
    EXPECT_EQ(w->isEnabled(), r.enabled);
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) caption = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) caption = e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) caption = g->title();
    EXPECT_EQ(caption, q(r.caption));
    if (auto* c = qobject_cast<QCheckBox*>(w)) {
      EXPECT_FALSE(c->isChecked());
    }
    // Creation order: a later control of the same parent lies above an earlier one.
    if (previous && previous->parentWidget() == w->parentWidget()) {
      const auto siblings = w->parentWidget()->children();
      EXPECT_LT(siblings.indexOf(previous), siblings.indexOf(w));
    }
    previous = w;
  }
  EXPECT_TRUE(form.RadioButton1->isChecked());
  EXPECT_FALSE(form.RadioButton2->isChecked());
  EXPECT_FALSE(form.RadioButton3->isChecked());
  // Declared members are the controls found by name.
  EXPECT_EQ(form.findChild<QCheckBox*>("hatenad"), form.hatenad);
  EXPECT_EQ(form.findChild<QLineEdit*>("Edit3"), form.Edit3);
}

TEST_F(Form, TabOrderVisitsTheFrameFirst) {
  const std::vector<QWidget*> want{form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4, form.Edit2,
                                   form.CheckBox7, form.CheckBox8, form.Edit4,     form.Edit5,     form.hatenad,
                                   form.RadioButton1, form.RadioButton2, form.RadioButton3, form.CheckBox5,
                                   form.Edit1,     form.Button1,   form.Button2,   form.CheckBox6, form.Edit3};
  std::vector<QWidget*> chain;
  QWidget* w = form.CheckBox1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != form.CheckBox1 && chain.size() < 40);
  EXPECT_EQ(chain, want);
}

TEST_F(Form, TabKeySkipsGreyedControls) {
  form.CheckBox1->setFocus();
  std::vector<QString> visited;
  for (int i = 0; i < 6; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget()->objectName());
  }
  EXPECT_EQ(visited, (std::vector<QString>{"CheckBox2", "CheckBox3", "CheckBox4", "hatenad", "RadioButton1",
                                           "CheckBox5"}));
}

TEST_F(Form, FramesKeepTheirControlsClear) {
  // The caption sits on the frame's top line, above the first control inside or over it.
  const struct {
    QGroupBox* frame;
    int first_control_top;  // in the frame's coordinates
  } frames[] = {{form.GroupBox1, form.CheckBox1->y()}, {form.RadioGroup1, form.RadioButton1->y() - form.RadioGroup1->y()}};
  for (const auto& f : frames) {
    QStyleOptionGroupBox option;
    option.initFrom(f.frame);
    option.text = f.frame->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    const QRect line = f.frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, f.frame);
    const QRect label = f.frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, f.frame);
    EXPECT_LT(line.top(), f.first_control_top) << f.frame->objectName().toStdString();
    EXPECT_LT(label.bottom(), f.first_control_top) << f.frame->objectName().toStdString();
    EXPECT_LE(label.top(), line.top());
    EXPECT_GE(label.bottom(), line.top());  // on the line, not above it
  }
}

TEST_F(Form, FrameTooltipShowsOverItsControls) {
  EXPECT_EQ(form.GroupBox1->toolTip(), q("使うだけ選択してください"));
  for (QWidget* w : std::initializer_list<QWidget*>{form.GroupBox1, form.CheckBox1, form.Edit4, form.hatenad}) {
    EXPECT_TRUE(w == form.GroupBox1 || w->toolTip().isEmpty());
    QToolTip::hideText();
    QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &event);
    EXPECT_TRUE(event.isAccepted());
    EXPECT_EQ(QToolTip::text(), q("使うだけ選択してください")) << w->objectName().toStdString();
  }
  QToolTip::hideText();
  // Outside the frame nothing answers the tooltip request.
  QHelpEvent outside(QEvent::ToolTip, QPoint(2, 2), form.Button1->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(form.Button1, &outside);
  EXPECT_FALSE(outside.isAccepted());
}

TEST_F(Form, ResizeMovesTheBottomRowsAndAbout) {
  form.resize(268 + 40, 483 + 100);
  EXPECT_EQ(form.GroupBox1->geometry(), QRect(8, 8, 249, 225));
  EXPECT_EQ(form.CheckBox1->geometry(), QRect(8, 16, 105, 17));
  EXPECT_EQ(form.RadioGroup1->pos(), QPoint(8, 354));
  EXPECT_EQ(form.RadioButton3->pos(), QPoint(16, 418));
  EXPECT_EQ(form.Label1->pos(), QPoint(72, 464));
  EXPECT_EQ(form.Edit3->geometry(), QRect(40, 506, 121, 20));
  EXPECT_EQ(form.Button1->pos(), QPoint(24, 542));
  EXPECT_EQ(form.Button2->pos(), QPoint(216, 542));
  form.resize(268, 483);
  EXPECT_EQ(form.Button2->pos(), QPoint(176, 442));
  EXPECT_EQ(form.CheckBox5->pos(), QPoint(16, 356));
}

TEST_F(Form, EnablingFollowsTheTickOneLevelDeep) {
  // The a-tag chain and the 俺ニュース chain behave alike.
  const struct {
    QCheckBox *style, *target;
    QLineEdit* edit;
  } chains[] = {{form.CheckBox1, form.CheckBox7, form.Edit4}, {form.CheckBox3, form.CheckBox8, form.Edit5}};
  for (const auto& c : chains) {
    SCOPED_TRACE(c.style->objectName().toStdString());
    click(c.style);
    EXPECT_TRUE(c.target->isEnabled());
    EXPECT_FALSE(c.edit->isEnabled());
    click(c.target);
    EXPECT_TRUE(c.edit->isEnabled());
    c.edit->setText("_top");
    click(c.style);  // unticked: the target box greys, keeps its tick; the field stays editable
    EXPECT_FALSE(c.style->isChecked());
    EXPECT_FALSE(c.target->isEnabled());
    EXPECT_TRUE(c.target->isChecked());
    EXPECT_TRUE(c.edit->isEnabled());
    EXPECT_EQ(c.edit->text(), "_top");
    QTest::keyClick(c.style, Qt::Key_Space);  // by keyboard
    EXPECT_TRUE(c.style->isChecked());
    EXPECT_TRUE(c.target->isEnabled());
    EXPECT_TRUE(c.target->isChecked());
  }
}

TEST_F(Form, SingleEnablingRows) {
  const struct {
    QCheckBox* box;
    std::vector<QWidget*> dependents;
  } rows[] = {{form.CheckBox4, {form.Label2, form.Edit2}},
              {form.CheckBox5, {form.Edit1}},
              {form.CheckBox6, {form.Edit3}}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.box->objectName().toStdString());
    for (bool tick : {true, false, true}) {
      click(r.box);
      EXPECT_EQ(r.box->isChecked(), tick);
      for (QWidget* w : r.dependents) EXPECT_EQ(w->isEnabled(), tick);
      EXPECT_TRUE(form.Label1->isEnabled());  // never greyed
    }
  }
  EXPECT_EQ(form.Edit2->text(), "60");
  // Ticks without handlers change nothing else.
  click(form.CheckBox2);
  click(form.hatenad);
  click(form.RadioButton3);
  EXPECT_TRUE(form.RadioButton3->isChecked());
  EXPECT_FALSE(form.RadioButton1->isChecked());
  EXPECT_FALSE(form.CheckBox7->isEnabled());
}

// Generator runs through the window, as the user makes them.
TEST_F(Form, OnlyCheckBox1) {
  click(form.CheckBox1);
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a  %u"));
  EXPECT_EQ(boxes.shown, std::vector<Box>{kConfirmationBox});
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(clipboard.held);
}

TEST_F(Form, ReturnOnTheFocusedGenerateButton) {
  click(form.CheckBox1);
  form.CheckBox5->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // over the greyed field
  ASSERT_EQ(QApplication::focusWidget(), form.Button1);
  QTest::keyClick(form.Button1, Qt::Key_Return);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a  %u"));
  EXPECT_EQ(boxes.shown, std::vector<Box>{kConfirmationBox});
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form, QTagWithBrClassAndThreshold) {
  click(form.RadioButton2);
  click(form.CheckBox5);
  click(form.CheckBox6);
  click(form.CheckBox2);
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kQ, "\",\" -q  -h -d=60 -c='class_name' %u"));
  EXPECT_EQ(boxes.shown, std::vector<Box>{kConfirmationBox});
}

TEST_F(Form, TargetFormsAndRefill) {
  click(form.CheckBox1);
  click(form.CheckBox7);
  form.Edit4->clear();
  click(form.CheckBox3);
  click(form.CheckBox8);
  form.Edit5->setText("_top");
  click(form.RadioButton2);
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a='_blank' -h %u") + lf(kO, "\",\" -o='_top' -h %u"));
  EXPECT_EQ(form.Edit4->text(), "_blank");
}

TEST_F(Form, TypedTextsAndKeyboardChoicesReachTheLines) {
  click(form.CheckBox6);
  form.Edit3->selectAll();
  QTest::keyClicks(form.Edit3, "quote");
  QTest::keyClick(form.Edit3, Qt::Key_Backspace);
  QTest::keyClick(form.CheckBox7, Qt::Key_Space);  // greyed: the key does nothing
  EXPECT_FALSE(form.CheckBox7->isChecked());
  click(form.CheckBox1);
  QTest::keyClick(form.CheckBox7, Qt::Key_Space);
  form.Edit4->selectAll();
  QTest::keyClicks(form.Edit4, "_self");
  form.RadioButton1->setFocus();
  QTest::keyClick(form.RadioButton1, Qt::Key_Down);  // the arrow moves the selection in the group
  ASSERT_TRUE(form.RadioButton2->isChecked());
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a='_self' -h -c='quot' %u"));
}

TEST_F(Form, AllFiveStylesInOutputOrder) {
  for (QCheckBox* b : {form.hatenad, form.CheckBox4, form.CheckBox3, form.CheckBox2, form.CheckBox1}) click(b);
  click(form.RadioButton3);
  form.Edit2->setText("0x10");
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a  -x %u") + lf(kQ, "\",\" -q  -x %u") + lf(kO, "\",\" -o  -x %u") +
                                   lf(kB, "\",\" -b16  -x %u") + lf(kH, "\",\" -hd  -x %u"));
  EXPECT_EQ(form.Edit2->text(), "16");
}

TEST_F(Form, NoStyleWritesAnEmptyText) {
  click(form.Button1);
  EXPECT_EQ(clipboard.text, std::optional<std::string>(""));
  EXPECT_EQ(clipboard.writes, 1);
  EXPECT_EQ(boxes.shown, std::vector<Box>{kConfirmationBox});
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form, NumberCheckThroughTheWindow) {
  const struct {
    const char* typed;
    const char* shown_after;  // nullptr: refused, the text stays as typed
  } cases[] = {{"060", "60"}, {"+7", "7"}, {"$3C", "60"}, {"0x10", "16"}, {"  12", "12"}, {"0", "0"},
               {"-0", "0"}, {"-$3C", "60"}, {"+0x3c", "60"},
               {"", nullptr}, {"  ", nullptr}, {"+", nullptr}, {"- 5", nullptr}, {"2147483648", nullptr},
               {"-5", nullptr}, {"$FFFFFFFF", nullptr}, {"６０", nullptr}, {"abc", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    MemoryClipboard desktop{std::string("before")};
    RecordedBoxes shown;
    TForm2 f(desktop, shown, kPath, cp());
    f.show();
    f.CheckBox2->setChecked(true);
    f.CheckBox4->setChecked(true);
    f.Edit2->setText(q(c.typed));
    f.Button1Click();
    if (c.shown_after) {
      EXPECT_EQ(f.Edit2->text(), q(c.shown_after));
      EXPECT_EQ(desktop.text, lf(kQ, "\",\" -q  %u") + lf(kB, std::string("\",\" -b") + c.shown_after + "  %u"));
      EXPECT_EQ(shown.shown, std::vector<Box>{kConfirmationBox});
      EXPECT_FALSE(f.isVisible());
    } else {
      EXPECT_EQ(f.Edit2->text(), q(c.typed));
      EXPECT_EQ(desktop.text, std::optional<std::string>("before"));
      EXPECT_EQ(desktop.acquisitions, 0);
      EXPECT_EQ(shown.shown, std::vector<Box>{kNumberBox});
      EXPECT_TRUE(f.isVisible());
      EXPECT_EQ(f.focusWidget(), f.Edit2);
    }
  }
}

TEST_F(Form, BadThresholdKeepsTheWindowAndEveryChoice) {
  click(form.CheckBox1);
  click(form.CheckBox7);
  form.Edit4->clear();
  click(form.CheckBox5);
  form.Edit1->setText("abc");
  click(form.RadioButton3);
  click(form.Button1);
  EXPECT_EQ(boxes.shown, std::vector<Box>{kNumberBox});
  EXPECT_EQ(clipboard.text, std::optional<std::string>("before"));
  EXPECT_EQ(clipboard.acquisitions, 0);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.focusWidget(), form.Edit1);
  EXPECT_EQ(form.Edit1->text(), "abc");
  EXPECT_TRUE(form.CheckBox1->isChecked() && form.CheckBox7->isChecked() && form.CheckBox5->isChecked());
  EXPECT_TRUE(form.RadioButton3->isChecked());
  // Mended, the run goes through.
  form.Edit1->setText("30");
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kA, "\",\" -a='_blank' -x -d=30 %u"));
  EXPECT_EQ(boxes.shown, (std::vector<Box>{kNumberBox, kConfirmationBox}));
}

TEST_F(Form, NegativeQuoteThresholdIsRefused) {
  click(form.CheckBox5);
  form.Edit1->setText("+050");
  click(form.CheckBox4);
  form.Edit2->setText("-5");
  click(form.Button1);
  EXPECT_EQ(boxes.shown, std::vector<Box>{kNumberBox});
  EXPECT_EQ(form.Edit1->text(), "50");  // checked before the refusal
  EXPECT_EQ(form.Edit2->text(), "-5");
  EXPECT_EQ(form.focusWidget(), form.Edit2);
  EXPECT_EQ(clipboard.writes, 0);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Form, ProgramPathWithAQuoteIsRefused) {
  MemoryClipboard desktop{std::string("before")};
  RecordedBoxes shown;
  TForm2 f(desktop, shown, "/opt/odd\"dir/quotemill", cp());
  f.show();
  f.CheckBox2->setChecked(true);
  f.Button1Click();
  EXPECT_EQ(shown.shown, std::vector<Box>{(Box{"Quotemill", kQuoteInProgram, BoxIcon::None})});
  EXPECT_EQ(desktop.writes, 0);
  EXPECT_TRUE(f.isVisible());
}

TEST_F(Form, ClipboardThatCannotBeOpened) {
  clipboard.fail_acquire = true;
  click(form.CheckBox2);
  click(form.CheckBox6);
  form.Edit3->setText("quote");
  click(form.Button1);
  EXPECT_EQ(boxes.shown,
            std::vector<Box>{(Box{"Quotemill", "クリップボードを開くことができません.", BoxIcon::Stop})});
  EXPECT_EQ(clipboard.text, std::optional<std::string>("before"));
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.CheckBox2->isChecked() && form.CheckBox6->isChecked());
  EXPECT_EQ(form.Edit3->text(), "quote");
  // The user presses "生成" again once the clipboard can be had.
  clipboard.fail_acquire = false;
  click(form.Button1);
  EXPECT_EQ(clipboard_lines(), lf(kQ, "\",\" -q  -c='quote' %u"));
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form, WriteFailureClosesTheClipboardAndKeepsTheWindow) {
  clipboard.fail_write = true;
  click(form.CheckBox1);
  click(form.Button1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Quotemill");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);
  EXPECT_FALSE(clipboard.held);
  EXPECT_EQ(clipboard.acquisitions, 1);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Form, ShiftJisLocaleGivesTheSameLines) {
  MemoryClipboard desktop;
  RecordedBoxes shown;
  TForm2 f(desktop, shown, kPath, CodePage::shift_jis());
  f.show();
  f.CheckBox3->setChecked(true);
  f.CheckBox6->setChecked(true);
  f.Edit3->setText(q("引用"));
  f.Button1Click();
  EXPECT_EQ(desktop.text, lf(kO, "\",\" -o  -c='引用' %u"));
}

// Opens the about box with "about", runs `inside` once it shows, and returns what it saw.
struct AboutSeen {
  QPointer<TQuotemill_about> box;
  QRect geometry;
  bool modal = false;
  bool was_current = false;
  QWidget* owner = nullptr;
};

// "about" is pressed with the mouse, or with Return once it has the focus.
AboutSeen open_about(TForm2& form, const std::function<void(TQuotemill_about&)>& close, bool by_return = false) {
  AboutSeen seen;
  QTimer::singleShot(0, [&] {
    TQuotemill_about* box = TQuotemill_about::current();
    if (!box) return;
    seen.box = box;
    seen.geometry = QRect(box->pos(), box->size());  // outer position, client size
    seen.modal = QApplication::activeModalWidget() == box;
    seen.was_current = true;
    seen.owner = box->parentWidget();
    close(*box);
  });
  QTimer watchdog;  // never leave a modal box behind, whatever happens above
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (auto* box = TQuotemill_about::current()) box->reject();
  });
  watchdog.start(5000);
  if (by_return) {
    form.Button2->setFocus();
    QTest::keyClick(form.Button2, Qt::Key_Return);
  } else {
    QTest::mouseClick(form.Button2, Qt::LeftButton);
  }
  return seen;
}

TEST_F(Form, AboutBoxOpenedTwice) {
  click(form.CheckBox1);
  const std::function<void(TQuotemill_about&)> closers[] = {
      [](TQuotemill_about& box) {
        EXPECT_EQ(box.objectName(), "Quotemill_about");
        EXPECT_EQ(box.windowTitle(), "Quotemill_about");
        EXPECT_EQ(box.Quotemill->text(), "Quotemill");
        EXPECT_EQ(box.Quotemill->pos(), QPoint(128, 8));
        EXPECT_EQ(box.Label1->pos(), QPoint(88, 24));
        EXPECT_EQ(box.Label3->pos(), QPoint(8, 56));
        EXPECT_EQ(box.Label4->pos(), QPoint(144, 56));
        EXPECT_EQ(box.Label1->text(), q(kMakerLine));
        EXPECT_EQ(box.Label3->text(), q(kWebAddress));
        EXPECT_EQ(box.Label4->text(), q(kMailAddress));
        EXPECT_LE(box.Label3->geometry().right(), box.Label4->x());  // the two addresses do not overlap
        EXPECT_LE(box.Label4->geometry().right(), box.width());
        EXPECT_EQ(box.icon->geometry(), QRect(32, 16, 32, 32));
        EXPECT_EQ(box.icon->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(box.Button1->geometry(), QRect(88, 72, 75, 25));
        EXPECT_EQ(box.Button1->text(), "OK");
        EXPECT_FALSE(box.windowIcon().isNull());
        QTest::mouseClick(box.Button1, Qt::LeftButton);  // "OK"
      },
      [](TQuotemill_about& box) { box.close(); },  // the title bar's close button
  };
  QPointer<TQuotemill_about> first;
  for (const auto& close : closers) {
    const AboutSeen seen = open_about(form, close);
    EXPECT_TRUE(seen.was_current);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.owner, &form);
    EXPECT_EQ(seen.geometry, QRect(465, 255, 246, 105));
    EXPECT_TRUE(seen.box.isNull());  // destroyed once closed
    EXPECT_EQ(TQuotemill_about::current(), nullptr);
    EXPECT_TRUE(form.findChildren<TQuotemill_about*>().isEmpty());
  }
  // Every choice is as it was; nothing reached the clipboard.
  EXPECT_TRUE(form.CheckBox1->isChecked());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(clipboard.acquisitions, 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Form, ReturnOnTheFocusedAboutButton) {
  const AboutSeen seen = open_about(form, [](TQuotemill_about& box) { box.close(); }, /*by_return=*/true);
  EXPECT_TRUE(seen.was_current);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Form, ClosingPutsNothingOnTheClipboard) {
  click(form.CheckBox1);
  form.close();
  EXPECT_EQ(clipboard.acquisitions, 0);
  EXPECT_EQ(clipboard.text, std::optional<std::string>("before"));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace qm::settings

// The application object outlives every window and is gone before the libraries' own
// clean-up runs.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

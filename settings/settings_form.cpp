#include "settings_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <type_traits>

#include "about_box.h"
#include "anchors.h"
#include "error.h"
#include "look.h"
#include "program.h"
#include "qt_desktop.h"

namespace qm::settings {
namespace {

// Controls are placed by their designed rectangles in the parent's client coordinates.
template <class W>
W* place(QWidget* parent, const char* name, QRect rect, const char* caption = nullptr) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(rect);
  if (caption) {
    if constexpr (std::is_same_v<W, QGroupBox>)
      w->setTitle(QString::fromUtf8(caption));
    else
      w->setText(QString::fromUtf8(caption));
  }
  return w;
}

QLabel* label(QWidget* parent, const char* name, QRect rect, const char* caption) {
  auto* l = place<QLabel>(parent, name, rect, caption);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}

}  // namespace

TForm2::TForm2(ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path, CodePage cp,
               QWidget* parent)
    : QWidget(parent),
      clipboard_(clipboard, cp),
      boxes_(boxes),
      program_path_(std::move(program_path)),
      cp_(std::move(cp)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QString::fromUtf8("設定"));
  setFont(form_font());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  move(606, 275);   // outer position, as designed
  resize(268, 483);  // client size

  // Creation order: a later control lies above an earlier one.
  Label1 = label(this, "Label1", {72, 364, 164, 12}, "文字以下の時は改行を削除する");
  GroupBox1 = place<QGroupBox>(this, "GroupBox1", {8, 8, 249, 225}, "コピペスタイル選択");
  GroupBox1->setToolTip(QString::fromUtf8("使うだけ選択してください"));
  Label2 = label(GroupBox1, "Label2", {64, 168, 178, 12}, "文字以下の時は自動でqタグにする");
  CheckBox1 = place<QCheckBox>(GroupBox1, "CheckBox1", {8, 16, 105, 17}, "aタグ挿入");
  CheckBox2 = place<QCheckBox>(GroupBox1, "CheckBox2", {8, 112, 97, 17}, "qタグ挿入");
  CheckBox3 = place<QCheckBox>(GroupBox1, "CheckBox3", {8, 64, 201, 17}, "『俺ニュース』スタイルのリンク挿入");
  CheckBox4 = place<QCheckBox>(GroupBox1, "CheckBox4", {8, 136, 121, 17}, "blockquoteタグ挿入");
  Edit2 = place<QLineEdit>(GroupBox1, "Edit2", {32, 160, 25, 20}, "60");
  CheckBox7 = place<QCheckBox>(GroupBox1, "CheckBox7", {24, 40, 97, 17}, "targetも付加");
  CheckBox8 = place<QCheckBox>(GroupBox1, "CheckBox8", {24, 88, 97, 17}, "targetも付加");
  Edit4 = place<QLineEdit>(GroupBox1, "Edit4", {112, 40, 121, 20}, "_blank");
  Edit5 = place<QLineEdit>(GroupBox1, "Edit5", {112, 88, 121, 20}, "_blank");
  hatenad = place<QCheckBox>(GroupBox1, "hatenad", {8, 192, 225, 17}, "はてなダイアリーの見出しっぽい何か");
  RadioGroup1 = place<QGroupBox>(this, "RadioGroup1", {8, 254, 249, 89}, "改行処理");
  RadioButton1 = place<QRadioButton>(this, "RadioButton1", {16, 270, 113, 17}, "そのまま");
  RadioButton2 = place<QRadioButton>(this, "RadioButton2", {16, 294, 113, 17}, "<br>挿入");
  RadioButton3 = place<QRadioButton>(this, "RadioButton3", {16, 318, 113, 17}, "<br />挿入");
  CheckBox5 = place<QCheckBox>(this, "CheckBox5", {16, 356, 17, 17}, "CheckBox5");
  Edit1 = place<QLineEdit>(this, "Edit1", {40, 356, 25, 20}, "60");
  Button1 = place<QPushButton>(this, "Button1", {24, 442, 75, 25}, "生成");
  Button2 = place<QPushButton>(this, "Button2", {176, 442, 75, 25}, "about");
  CheckBox6 = place<QCheckBox>(this, "CheckBox6", {16, 390, 121, 12}, "Class名を付加する");
  Edit3 = place<QLineEdit>(this, "Edit3", {40, 406, 121, 20}, "class_name");

  RadioButton1->setChecked(true);
  for (QWidget* w : std::initializer_list<QWidget*>{Label2, Edit2, CheckBox7, CheckBox8, Edit4, Edit5, Edit1, Edit3})
    w->setEnabled(false);
  // The bare frame draws only; the buttons over it take the focus.
  RadioGroup1->setFocusPolicy(Qt::NoFocus);

  // The frame's controls in their own order, then the window's.
  QWidget* const order[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4, Edit2, CheckBox7, CheckBox8,
                            Edit4, Edit5, hatenad, RadioButton1, RadioButton2, RadioButton3,
                            CheckBox5, Edit1, Button1, Button2, CheckBox6, Edit3};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  auto* anchors = new Anchors(this);
  for (QWidget* w : std::initializer_list<QWidget*>{Label1, RadioGroup1, RadioButton1, RadioButton2, RadioButton3,
                                                    CheckBox5, Edit1, Button1, CheckBox6, Edit3})
    anchors->add(w, Anchor::BottomLeft);
  anchors->add(Button2, Anchor::BottomRight);

  connect(CheckBox1, &QCheckBox::toggled, this, &TForm2::CheckBox1Click);
  connect(CheckBox7, &QCheckBox::toggled, this, &TForm2::CheckBox7Click);
  connect(CheckBox3, &QCheckBox::toggled, this, &TForm2::CheckBox3Click);
  connect(CheckBox8, &QCheckBox::toggled, this, &TForm2::CheckBox8Click);
  connect(CheckBox4, &QCheckBox::toggled, this, &TForm2::CheckBox4Click);
  connect(CheckBox5, &QCheckBox::toggled, this, &TForm2::CheckBox5Click);
  connect(CheckBox6, &QCheckBox::toggled, this, &TForm2::CheckBox6Click);
  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  press_buttons_on_return(*this);
}

void TForm2::CheckBox1Click() { CheckBox7->setEnabled(CheckBox1->isChecked()); }
void TForm2::CheckBox7Click() { Edit4->setEnabled(CheckBox7->isChecked()); }
void TForm2::CheckBox3Click() { CheckBox8->setEnabled(CheckBox3->isChecked()); }
void TForm2::CheckBox8Click() { Edit5->setEnabled(CheckBox8->isChecked()); }
void TForm2::CheckBox5Click() { Edit1->setEnabled(CheckBox5->isChecked()); }
void TForm2::CheckBox6Click() { Edit3->setEnabled(CheckBox6->isChecked()); }

void TForm2::CheckBox4Click() {
  Label2->setEnabled(CheckBox4->isChecked());
  Edit2->setEnabled(CheckBox4->isChecked());
}

void TForm2::Button2Click() {
  guarded([this] {
    // Destroyed when its modal run ends, on every path out.
    TQuotemill_about about(this);
    about.exec();
  });
}

void TForm2::Button1Click() {
  guarded([this] { generate(); });
}

template <class F>
void TForm2::guarded(F&& handler) {
  try {
    handler();
  } catch (const Error& e) {
    boxes_.show(window_loop_error_box(e));
  }
}

FormChoices TForm2::choices() const {
  auto text = [this](const QLineEdit* edit) { return from_utf8(edit->text().toStdString(), cp_); };
  FormChoices c;
  c.a_tag = CheckBox1->isChecked();
  c.a_target = CheckBox7->isChecked();
  c.a_target_text = text(Edit4);
  c.q_tag = CheckBox2->isChecked();
  c.ore_news = CheckBox3->isChecked();
  c.ore_target = CheckBox8->isChecked();
  c.ore_target_text = text(Edit5);
  c.blockquote = CheckBox4->isChecked();
  c.quote_threshold = text(Edit2);
  c.hatena = hatenad->isChecked();
  c.line_break = RadioButton2->isChecked()   ? LineBreak::Br
                 : RadioButton3->isChecked() ? LineBreak::BrSlash
                                             : LineBreak::Keep;
  c.join_lines = CheckBox5->isChecked();
  c.join_threshold = text(Edit1);
  c.class_name = CheckBox6->isChecked();
  c.class_text = text(Edit3);
  return c;
}

QLineEdit* TForm2::field(Field f) const {
  switch (f) {
    case Field::Edit1: return Edit1;
    case Field::Edit2: return Edit2;
    case Field::Edit4: return Edit4;
    case Field::Edit5: return Edit5;
  }
  return Edit1;
}

void TForm2::generate() {
  const GeneratorRun run = generate_menu_lines(choices(), program_path_, cp_);
  for (const FieldUpdate& u : run.updates) field(u.field)->setText(QString::fromStdString(to_utf8(u.text, cp_)));
  switch (run.refusal) {
    case Refusal::BadNumber:
      boxes_.show({kAppTitle, kEnterNumber, BoxIcon::None});
      field(run.refused_field)->setFocus(Qt::OtherFocusReason);
      field(run.refused_field)->selectAll();
      return;
    case Refusal::QuoteInProgram:
      boxes_.show({kAppTitle, kQuoteInProgram, BoxIcon::None});
      return;
    case Refusal::None:
      break;
  }
  {
    ClipboardHold hold(clipboard_);  // closed also when the write fails
    clipboard_.write_text(run.lines);
  }
  boxes_.show({kAppTitle, kConfirmation, BoxIcon::None});
  close();
}

}  // namespace qm::settings

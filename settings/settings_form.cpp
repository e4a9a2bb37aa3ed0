#include "settings_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "about_box.h"
#include "anchors.h"
#include "error.h"
#include "look.h"
#include "program.h"
#include "qt_desktop.h"

namespace qm::settings {
namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// One control of the layout table, as its Qt widget.
QWidget* make_control(const ControlSpec& c, QWidget* parent) {
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::Label: {
      auto* l = new QLabel(q(c.caption), parent);
      l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      w = l;
      break;
    }
    case ControlKind::Frame:
      w = new QGroupBox(q(c.caption), parent);
      // A frame draws only; the controls in or over it take the focus.
      w->setFocusPolicy(Qt::NoFocus);
      break;
    case ControlKind::CheckBox: w = new QCheckBox(q(c.caption), parent); break;
    case ControlKind::TextField: w = new QLineEdit(q(c.caption), parent); break;
    case ControlKind::RadioButton: w = new QRadioButton(q(c.caption), parent); break;
    case ControlKind::PushButton: w = new QPushButton(q(c.caption), parent); break;
  }
  w->setObjectName(QString::fromLatin1(c.name));
  w->setGeometry(c.rect.left, c.rect.top, c.rect.width, c.rect.height);
  return w;
}

template <class W>
W* as(QWidget* w) {
  return static_cast<W*>(w);
}

}  // namespace

TForm2::TForm2(ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path, CodePage cp,
               QWidget* parent)
    : QWidget(parent),
      clipboard_(clipboard, cp),
      boxes_(boxes),
      program_path_(std::move(program_path)),
      cp_(std::move(cp)) {
  const WindowSpec& window = form_window();
  setObjectName(QString::fromLatin1(window.name));
  setWindowTitle(q(window.title));
  setFont(form_font());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  move(window.left, window.top);                       // outer position, as designed
  resize(window.client_width, window.client_height);  // client size

  // Creation order: a later control lies above an earlier one. The frame comes before the
  // controls inside it.
  for (const ControlSpec& c : form_layout()) {
    QWidget* w = make_control(c, c.in_frame ? widget(ControlId::GroupBox1) : this);
    w->setEnabled(model_.enabled(c.id));
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)
      as<QAbstractButton>(w)->setChecked(model_.ticked(c.id));
    widgets_[index_of(c.id)] = w;
  }
  widget(window.tooltip_frame)->setToolTip(q(window.tooltip));

  CheckBox1 = as<QCheckBox>(widget(ControlId::CheckBox1));
  CheckBox2 = as<QCheckBox>(widget(ControlId::CheckBox2));
  CheckBox3 = as<QCheckBox>(widget(ControlId::CheckBox3));
  GroupBox1 = as<QGroupBox>(widget(ControlId::GroupBox1));
  CheckBox4 = as<QCheckBox>(widget(ControlId::CheckBox4));
  Edit2 = as<QLineEdit>(widget(ControlId::Edit2));
  Label2 = as<QLabel>(widget(ControlId::Label2));
  RadioGroup1 = as<QGroupBox>(widget(ControlId::RadioGroup1));
  RadioButton1 = as<QRadioButton>(widget(ControlId::RadioButton1));
  RadioButton2 = as<QRadioButton>(widget(ControlId::RadioButton2));
  RadioButton3 = as<QRadioButton>(widget(ControlId::RadioButton3));
  CheckBox5 = as<QCheckBox>(widget(ControlId::CheckBox5));
  Edit1 = as<QLineEdit>(widget(ControlId::Edit1));
  Label1 = as<QLabel>(widget(ControlId::Label1));
  Button1 = as<QPushButton>(widget(ControlId::Button1));
  Button2 = as<QPushButton>(widget(ControlId::Button2));
  CheckBox6 = as<QCheckBox>(widget(ControlId::CheckBox6));
  Edit3 = as<QLineEdit>(widget(ControlId::Edit3));
  CheckBox7 = as<QCheckBox>(widget(ControlId::CheckBox7));
  CheckBox8 = as<QCheckBox>(widget(ControlId::CheckBox8));
  Edit4 = as<QLineEdit>(widget(ControlId::Edit4));
  Edit5 = as<QLineEdit>(widget(ControlId::Edit5));
  hatenad = as<QCheckBox>(widget(ControlId::hatenad));

  const std::span<const ControlId> chain = tab_chain();
  for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(widget(chain[i - 1]), widget(chain[i]));

  auto* anchors = new Anchors(this);
  for (const ControlSpec& c : form_layout()) anchors->add(widget(c.id), c.anchor);

  // Every tick and text the user changes reaches the model; the boxes with an enabling rule
  // through their handlers.
  for (const ControlSpec& c : form_layout()) {
    QWidget* w = widget(c.id);
    if (c.kind == ControlKind::TextField)
      connect(as<QLineEdit>(w), &QLineEdit::textChanged, this,
              [this, id = c.id](const QString& text) { model_.set_text(id, text.toStdString()); });
    else if ((c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) && enabled_by(c.id).empty())
      connect(as<QAbstractButton>(w), &QAbstractButton::toggled, this, [this, id = c.id] { tick_changed(id); });
  }
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

void TForm2::tick_changed(ControlId id) {
  for (ControlId d : model_.set_ticked(id, as<QAbstractButton>(widget(id))->isChecked()))
    widget(d)->setEnabled(model_.enabled(d));
}

void TForm2::CheckBox1Click() { tick_changed(ControlId::CheckBox1); }
void TForm2::CheckBox7Click() { tick_changed(ControlId::CheckBox7); }
void TForm2::CheckBox3Click() { tick_changed(ControlId::CheckBox3); }
void TForm2::CheckBox8Click() { tick_changed(ControlId::CheckBox8); }
void TForm2::CheckBox4Click() { tick_changed(ControlId::CheckBox4); }
void TForm2::CheckBox5Click() { tick_changed(ControlId::CheckBox5); }
void TForm2::CheckBox6Click() { tick_changed(ControlId::CheckBox6); }

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

void TForm2::generate() {
  const FormRun run = model_.generate(program_path_, cp_);
  for (ControlId id : run.rewritten) as<QLineEdit>(widget(id))->setText(QString::fromStdString(model_.text(id)));
  if (run.message) {
    boxes_.show({kAppTitle, run.message, BoxIcon::None});
    if (run.focus) {
      auto* field = as<QLineEdit>(widget(*run.focus));
      field->setFocus(Qt::OtherFocusReason);
      field->selectAll();
    }
    return;
  }
  {
    ClipboardHold hold(clipboard_);  // closed also when the write fails
    clipboard_.write_text(run.lines);
  }
  boxes_.show({kAppTitle, kConfirmation, BoxIcon::None});
  close();
}

}  // namespace qm::settings

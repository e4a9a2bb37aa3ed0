#include "settings_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

#include "about_box.h"
#include "look.h"
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
    : QWidget(parent), controller_(*this, clipboard, boxes, std::move(program_path), std::move(cp)) {
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
  for (const ControlSpec& c : form_layout())
    widgets_[index_of(c.id)] = make_control(c, c.in_frame ? widget(ControlId::GroupBox1) : this);
  widget(window.tooltip_frame)->setToolTip(q(window.tooltip));
  controller_.show_start();

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

  // Every tick, text and press reaches the controller. A tick is taken when it changes, by
  // the user or by code, as the model must always hold what the window shows.
  for (const ControlSpec& c : form_layout()) {
    QWidget* w = widget(c.id);
    const ControlId id = c.id;
    switch (c.kind) {
      case ControlKind::TextField:
        connect(as<QLineEdit>(w), &QLineEdit::textChanged, this, [this, id] { controller_.text_changed(id); });
        break;
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
        connect(as<QAbstractButton>(w), &QAbstractButton::toggled, this, [this, id] { controller_.clicked(id); });
        break;
      case ControlKind::PushButton:
        connect(as<QPushButton>(w), &QPushButton::clicked, this, [this, id] { controller_.clicked(id); });
        break;
      case ControlKind::Label:
      case ControlKind::Frame:
        break;
    }
  }
  press_buttons_on_return(*this);
}

void TForm2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (const ControlSpec& c : form_layout()) {
    if (c.anchor == Anchor::TopLeft || !widget(c.id)) continue;
    const Rect r = anchored_rect(c, width(), height());
    widget(c.id)->move(r.left, r.top);
  }
}

bool TForm2::ticked(ControlId id) const { return as<QAbstractButton>(widget(id))->isChecked(); }
void TForm2::set_ticked(ControlId id, bool on) { as<QAbstractButton>(widget(id))->setChecked(on); }
std::string TForm2::text(ControlId id) const { return as<QLineEdit>(widget(id))->text().toStdString(); }
void TForm2::set_text(ControlId id, const std::string& utf8) {
  as<QLineEdit>(widget(id))->setText(QString::fromStdString(utf8));
}
void TForm2::set_enabled(ControlId id, bool on) { widget(id)->setEnabled(on); }

void TForm2::focus_field(ControlId id) {
  auto* field = as<QLineEdit>(widget(id));
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

void TForm2::show_about() {
  // Destroyed when its modal run ends, on every path out.
  TQuotemill_about about(this);
  about.exec();
}

void TForm2::close_window() { close(); }

}  // namespace qm::settings

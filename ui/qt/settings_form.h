#pragma once
// The settings window of quotemill in Qt: the user ticks the styles and options for the
// browser's menu, and "生成" puts the matching menu.ini lines on the clipboard. The window is
// built from the form's layout table and holds the widgets only; what they do is the form
// controller's.

#include <QWidget>
#include <array>
#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "form_controller.h"
#include "message_box.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qm::settings {

class TForm2 : public QWidget, private FormView {
  Q_OBJECT

 public:
  // `clipboard` receives the generated lines through the counted service; `boxes` shows the
  // window's messages and the report of an error raised in a handler. `program_path` is the
  // running program (code page), which every line names.
  TForm2(ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path, CodePage cp,
         QWidget* parent = nullptr);

  // The controls, by the names of the form.
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  QGroupBox* GroupBox1;
  QCheckBox* CheckBox4;
  QLineEdit* Edit2;
  QLabel* Label2;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton3;
  QCheckBox* CheckBox5;
  QLineEdit* Edit1;
  QLabel* Label1;
  QPushButton* Button1;
  QPushButton* Button2;
  QCheckBox* CheckBox6;
  QLineEdit* Edit3;
  QCheckBox* CheckBox7;
  QCheckBox* CheckBox8;
  QLineEdit* Edit4;
  QLineEdit* Edit5;
  QCheckBox* hatenad;

  // The buttons' handlers, as pressing them runs them.
  void Button1Click() { controller_.Button1Click(); }  // the generator
  void Button2Click() { controller_.Button2Click(); }  // the about box, modally

 protected:
  // The anchored controls keep their distances from the edges their anchors name.
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* widget(ControlId id) const { return widgets_[index_of(id)]; }

  bool ticked(ControlId id) const override;
  void set_ticked(ControlId id, bool on) override;
  std::string text(ControlId id) const override;
  void set_text(ControlId id, const std::string& utf8) override;
  void set_enabled(ControlId id, bool on) override;
  void focus_field(ControlId id) override;
  void show_about() override;
  void close_window() override;

  std::array<QWidget*, kControlCount> widgets_{};
  FormController controller_;
};

}  // namespace qm::settings

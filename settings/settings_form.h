#pragma once
// The settings window of quotemill: the user ticks the styles and options for the browser's
// menu, and "生成" puts the matching menu.ini lines on the clipboard. The window is built
// from the form's layout table; its state and rules are the form model's, which the widgets
// mirror.

#include <QWidget>
#include <array>
#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "form_model.h"
#include "message_box.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qm::settings {

class TForm2 : public QWidget {
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

  // Handlers: each enabling handler passes its box's tick to the model, whose rule sets the
  // enabled flag of the controls that depend on the box, one level deep.
  void CheckBox4Click();
  void CheckBox5Click();
  void CheckBox6Click();
  void Button2Click();  // the about box, modally
  void Button1Click();  // the generator
  void CheckBox1Click();
  void CheckBox7Click();
  void CheckBox3Click();
  void CheckBox8Click();

 private:
  QWidget* widget(ControlId id) const { return widgets_[index_of(id)]; }
  // A tick the user changed reaches the model; the flags its rule set reach the widgets.
  void tick_changed(ControlId id);
  void generate();
  // Runs a handler as the window loop does: an error is reported and the window goes on.
  template <class F>
  void guarded(F&& handler);

  FormModel model_;
  std::array<QWidget*, kControlCount> widgets_{};
  CountedClipboard clipboard_;
  MessageBoxes& boxes_;
  std::string program_path_;
  CodePage cp_;
};

}  // namespace qm::settings

#pragma once
// The about box of the settings window: the program's emblem, name and maker.

#include <QDialog>

#include "about_text.h"

class QLabel;
class QPushButton;

namespace qm::settings {

class TQuotemill_about : public QDialog {
  Q_OBJECT

 public:
  // Opened by the settings form, its owner, for one modal showing.
  explicit TQuotemill_about(QWidget* owner);
  ~TQuotemill_about() override;

  // The about box that is open now, or none.
  static TQuotemill_about* current();

  QPushButton* Button1;
  QLabel* icon;
  QLabel* Quotemill;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;

  void Button1Click();
};

}  // namespace qm::settings

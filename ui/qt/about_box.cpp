#include "about_box.h"

#include <QLabel>
#include <QPushButton>

#include "look.h"
#include "qt_desktop.h"

namespace qm::settings {
namespace {

// The program-wide reference to the open about box; at most one exists, since the settings
// window takes no input while it is open.
TQuotemill_about* open_box = nullptr;

QLabel* text_label(QWidget* parent, const char* name, QPoint at, const char* text) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setObjectName(QString::fromLatin1(name));
  l->move(at);
  l->resize(l->sizeHint().width(), std::max(12, l->sizeHint().height()));  // as wide as its text
  return l;
}

}  // namespace

TQuotemill_about::TQuotemill_about(QWidget* owner) : QDialog(owner) {
  open_box = this;
  setObjectName(QStringLiteral("Quotemill_about"));
  setWindowTitle(QString::fromUtf8(kAboutTitle));
  setFont(form_font());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setWindowIcon(program_icon());
  setSizeGripEnabled(false);
  move(465, 255);
  resize(246, 105);

  icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setGeometry(32, 16, 32, 32);
  icon->setPixmap(program_emblem());
  Quotemill = text_label(this, "Quotemill", {128, 8}, kProgramName);
  Label1 = text_label(this, "Label1", {88, 24}, kMakerLine);
  // Declared with the others; the box shows nothing in it.
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->hide();
  Label3 = text_label(this, "Label3", {8, 56}, kWebAddress);
  Label4 = text_label(this, "Label4", {144, 56}, kMailAddress);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(88, 72, 75, 25);
  Button1->setDefault(true);
  Button1->setFocus();
  connect(Button1, &QPushButton::clicked, this, &TQuotemill_about::Button1Click);
  press_buttons_on_return(*this);
}

TQuotemill_about::~TQuotemill_about() {
  if (open_box == this) open_box = nullptr;
}

TQuotemill_about* TQuotemill_about::current() { return open_box; }

void TQuotemill_about::Button1Click() {
  if (open_box) open_box->close();
}

}  // namespace qm::settings

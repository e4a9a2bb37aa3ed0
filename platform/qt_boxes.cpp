#include "qt_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>


namespace qm {

QApplication& qt_application() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  static int argc = 1;
  static char name[] = "quotemill";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit the module's statics would outlive Qt's own and crash.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

void show_qt_box(const Box& box) {
  qt_application();
  QString text = QString::fromUtf8(box.text.data(), static_cast<qsizetype>(box.text.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QMessageBox::Icon icon = box.icon == BoxIcon::None ? QMessageBox::NoIcon : QMessageBox::Critical;
  QMessageBox message(icon, QString::fromStdString(box.title), text, QMessageBox::Ok);
  message.setTextFormat(Qt::PlainText);  // an argument is shown as typed, never as markup
  message.setTextInteractionFlags(Qt::NoTextInteraction);
  message.exec();
}

void QtBoxes::show(const Box& box) {
  std::fprintf(stderr, "%s\n", box_log_line(box).c_str());
  std::fflush(stderr);
  show_qt_box(box);
}

}  // namespace qm

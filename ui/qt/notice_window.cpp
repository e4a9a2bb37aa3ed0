#include "notice_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "messages.h"
#include "qt_boxes.h"
#include "qt_desktop.h"

namespace qm::lite {
namespace {

QString from_crlf(const std::string& utf8) {
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

NoticeWindow::NoticeWindow()
    : NoticeButton(new QPushButton(QStringLiteral("わかった。"), this)), NoticeLabel(new QLabel(this)) {
  setWindowTitle(QString::fromUtf8(kNoticeCaption));
  move(1011, 721);  // fixed, not centred, even on a small screen
  resize(236, 168);
  NoticeLabel->setGeometry(8, 16, 209, 81);
  NoticeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  NoticeLabel->setWordWrap(false);
  NoticeLabel->setTextFormat(Qt::PlainText);  // an ampersand or a tag is shown as it stands
  NoticeButton->setGeometry(88, 128, 89, 22);
  connect(NoticeButton, &QPushButton::clicked, this, &RequestQuit);
  press_buttons_on_return(*this);
}

void NoticeWindow::closeEvent(QCloseEvent* event) {
  RequestQuit();
  event->accept();
}

std::unique_ptr<NoticeWindow> BuildNoticeWindow() {
  qt_application();
  auto window = std::make_unique<NoticeWindow>();
  window->hide();
  return window;
}

void ShowNoticeWindow(NoticeWindow& window, const std::string& text) {
  window.label()->setText(from_crlf(text));
  window.show();
}

void RequestQuit() {
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void ShowNoticeBox(const Box& box) {
  qt_application();
  DesktopMessageBox message(box.icon == BoxIcon::None ? QMessageBox::NoIcon : QMessageBox::Critical,
                            QString::fromStdString(box.title), from_crlf(box.text), QMessageBox::Ok);
  message.setTextFormat(Qt::PlainText);  // an argument is shown as typed, never as markup
  // No window of the program is on the screen, so the box must take the front by itself.
  QTimer::singleShot(0, &message, [&message] {
    message.raise();
    message.activateWindow();
  });
  message.exec();
}

}  // namespace qm::lite

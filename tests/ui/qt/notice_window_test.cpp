// The notice window and the boxes of quotemill3, on Qt's offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "notice_window.h"
#include "qt_desktop.h"

namespace qm::lite {
namespace {

// Runs the event loop until it is asked to quit, or gives up after a few seconds.
struct LoopResult {
  int status;
  bool timed_out;
};
LoopResult run_loop(const std::function<void()>& first_turn) {
  QApplication& app = qt_application();
  bool timed_out = false;
  QTimer::singleShot(0, &app, first_turn);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &app, [&] {
    timed_out = true;
    QCoreApplication::exit(99);
  });
  guard.start(5000);
  const int status = app.exec();
  return {status, timed_out};
}

TEST(NoticeWindow, BuiltHiddenAtItsPlace) {
  qt_application();
  const auto w = BuildNoticeWindow();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), "Quotemill_clip");
  EXPECT_EQ(w->pos(), QPoint(1011, 721));
  EXPECT_EQ(w->size(), QSize(236, 168));
  EXPECT_EQ(w->parentWidget(), nullptr);
  EXPECT_EQ(w->label()->geometry(), QRect(8, 16, 209, 81));
  EXPECT_EQ(w->label()->text(), "");
  EXPECT_FALSE(w->label()->wordWrap());
  EXPECT_EQ(w->label()->textFormat(), Qt::PlainText);
  EXPECT_TRUE(w->label()->alignment() & Qt::AlignLeft);
  EXPECT_EQ(w->button()->geometry(), QRect(88, 128, 89, 22));
  EXPECT_EQ(w->button()->text(), "わかった。");
  EXPECT_EQ(w->findChildren<QPushButton*>().size(), 1);
  EXPECT_EQ(w->findChildren<QLabel*>().size(), 1);
}

TEST(NoticeWindow, ShowsTheTextAsItStands) {
  qt_application();
  const auto w = BuildNoticeWindow();
  ShowNoticeWindow(*w, " Quotemill Ver3β8\r\n β版につき\r\n いろいろ無保証です。");
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->label()->text(), " Quotemill Ver3β8\n β版につき\n いろいろ無保証です。");
  EXPECT_EQ(w->pos(), QPoint(1011, 721));  // fixed, even beyond a small screen's edge
  EXPECT_EQ(w->size(), QSize(236, 168));

  ShowNoticeWindow(*w, "R&D <b>bold</b> a long line that would wrap in a word-wrapping label of 209 pixels");
  EXPECT_EQ(w->label()->text(), "R&D <b>bold</b> a long line that would wrap in a word-wrapping label of 209 pixels");
  EXPECT_GT(w->label()->sizeHint().width(), 209);  // one line, not wrapped
}

TEST(NoticeWindow, ButtonEndsTheLoop) {
  const auto w = BuildNoticeWindow();
  ShowNoticeWindow(*w, "x");
  const LoopResult r = run_loop([&] { w->button()->click(); });
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
}

TEST(NoticeWindow, CloseControlEndsTheLoop) {
  const auto w = BuildNoticeWindow();
  ShowNoticeWindow(*w, "x");
  const LoopResult r = run_loop([&] { w->close(); });
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
}

TEST(NoticeWindow, QuitRequestIsTakenAtTheNextTurn) {
  qt_application();
  RequestQuit();  // before the loop runs: it ends at its first turn
  const LoopResult r = run_loop([] {});
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
}

TEST(NoticeWindow, HiddenWindowIsNeverShownByALoop) {
  const auto w = BuildNoticeWindow();
  bool seen_visible = true;
  const LoopResult r = run_loop([&] {
    seen_visible = w->isVisible();
    RequestQuit();
  });
  EXPECT_FALSE(r.timed_out);
  EXPECT_FALSE(seen_visible);
}

TEST(NoticeBox, TitleTextOneOkNoIconInFront) {
  QApplication& app = qt_application();
  struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    int buttons = 0;
    bool ok = false, active = false;
  } seen;
  bool answered = false;
  int polls_inactive = 0;  // activation follows the showing by an event turn or more
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &app, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || answered || !box->isVisible()) return;
    if (!box->isActiveWindow() && ++polls_inactive < 25) return;
    answered = true;
    seen = {box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size()),
            box->button(QMessageBox::Ok) != nullptr, box->isActiveWindow()};
    box->button(QMessageBox::Ok)->click();
  });
  poll.start(20);
  QTimer guard;  // a box nobody answered would hang the test
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &app, [] {
    if (auto* box = QApplication::activeModalWidget()) box->close();
  });
  guard.start(5000);
  ShowNoticeBox({"Quotemill_clip", "最後の引数がURLではありません。\r\nmenu.iniの<b>記述</b>&", BoxIcon::None});
  EXPECT_TRUE(answered);
  EXPECT_EQ(seen.title, "Quotemill_clip");
  EXPECT_EQ(seen.text, "最後の引数がURLではありません。\nmenu.iniの<b>記述</b>&");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.ok);
  EXPECT_TRUE(seen.active);
}

}  // namespace
}  // namespace qm::lite

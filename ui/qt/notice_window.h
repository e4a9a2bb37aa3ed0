#pragma once
// The notice window of quotemill3: a caption, a text and one button that ends the program.

#include <QWidget>

#include <memory>
#include <string>

#include "message_box.h"

class QLabel;
class QPushButton;

namespace qm::lite {

class NoticeWindow : public QWidget {
 public:
  NoticeWindow();
  QPushButton* button() const { return NoticeButton; }
  QLabel* label() const { return NoticeLabel; }

 protected:
  // The close control ends the program just as the button does.
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* NoticeButton;
  QLabel* NoticeLabel;
};

// The window, hidden, at its fixed place; its button and close control request the quit.
std::unique_ptr<NoticeWindow> BuildNoticeWindow();

// Sets the label's text (UTF-8, CR LF line breaks) and shows the window.
void ShowNoticeWindow(NoticeWindow& window, const std::string& text);

// Asks the event loop to end at its next turn.
void RequestQuit();

// A modal box titled with the window's caption, no icon, one OK button, brought to the front;
// as wide as its title needs and centred on the screen (see DesktopMessageBox).
void ShowNoticeBox(const Box& box);

}  // namespace qm::lite

#pragma once
// Modal message boxes. Every box is also written to standard error as one line
// "TITLE: TEXT", so a run without a display still tells what happened.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "error.h"

namespace qm {

// quotemill's title: its own boxes' and its settings window's.
inline constexpr char kAppTitle[] = "Quotemill";

enum class BoxIcon { None, Error, Stop };

// Title and text in UTF-8; the text may hold CR LF line breaks.
struct Box {
  std::string title;
  std::string text;
  BoxIcon icon = BoxIcon::None;
  bool operator==(const Box&) const = default;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Returns when the user has pressed OK.
  virtual void show(const Box& box) = 0;
};

// The box of an error raised in a window's handler while the window loop runs: quotemill's
// title, the error's text ended with a full stop, the stop icon.
Box window_loop_error_box(const Error& error);

// The one-line form of a box on standard error: its line breaks become blanks.
std::string box_log_line(const Box& box);

// How long the box about to be shown may still wait for OK before it closes as if OK had
// been pressed; nullopt when the program was given no limit (kBoxTimeLimitVariable). The
// limit counts from the run's first box, so a run whose boxes nobody answers ends within it
// however many boxes it shows.
std::optional<std::chrono::milliseconds> box_time_left();

// Boxes kept for tests to look at.
class RecordedBoxes : public MessageBoxes {
 public:
  void show(const Box& box) override { shown.push_back(box); }
  std::vector<Box> shown;
};

}  // namespace qm

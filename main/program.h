#pragma once
// The program block of quotemill: which mode a run is, and the boxes it shows.

#include <functional>
#include <string>
#include <vector>

#include "arguments.h"
#include "clipboard.h"
#include "error.h"
#include "message_box.h"

namespace qm {

enum class Mode { Worker, Settings, ArgumentError };

// Worker when the last argument begins with "http://" or "https://" (case ignored),
// settings without arguments, argument error otherwise.
Mode choose_mode(const Arguments& args);

// The boxes of argument error mode: the error dialog, then one box per argument 0 to n.
std::vector<Box> argument_error_boxes(const Arguments& args, const CodePage& cp);

// The report of an error that ends a worker run. `program_path` is in the code page `cp`;
// its directory ends at the last "/" or "\\" that is a character of its own.
Box unhandled_error_box(const Error& error, const std::string& program_path, const CodePage& cp = CodePage::utf8());

struct Desktop {
  CountedClipboard& clipboard;
  MessageBoxes& boxes;
  CodePage cp;
  // Runs the settings window until it closes; returns the exit status.
  std::function<int()> run_settings;
};

// One run of quotemill; returns its exit status.
int run_quotemill(const Arguments& args, Desktop& desktop);

}  // namespace qm

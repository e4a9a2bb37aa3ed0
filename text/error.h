#pragma once
// The one error type of the programs: its message is the text the user is shown.

#include <source_location>
#include <stdexcept>
#include <string>

namespace qm {

class Error : public std::runtime_error {
 public:
  // `message` is UTF-8, exactly as a message box shows it.
  explicit Error(const std::string& message,
                 std::source_location where = std::source_location::current())
      : std::runtime_error(message), where_(where) {}

  // Where the error arose, for the unhandled-error report.
  const std::source_location& where() const noexcept { return where_; }

 private:
  std::source_location where_;
};

inline constexpr const char kCannotOpenClipboard[] = "クリップボードを開くことができません";

}  // namespace qm

#include "program.h"

#include <new>

#include "process.h"
#include "text.h"
#include "worker.h"

namespace qm {
namespace {

std::string file_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A Shift-JIS character may end in the byte of "\\": the path is stepped character by character.
std::string program_file_name(const std::string& path, const CodePage& cp) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); i += cp.char_length(path, i))
    if (path[i] == '/' || path[i] == '\\') start = i + 1;
  return to_utf8(path.substr(start), cp);
}

// The code position of the report: the source file and line where the error arose.
std::string position(const std::source_location& where) {
  return file_name(where.file_name()) + ":" + std::to_string(where.line());
}

}  // namespace

Mode choose_mode(const Arguments& args) {
  const std::string& address = args.last();
  if (starts_with_icase(address, "http://") || starts_with_icase(address, "https://")) return Mode::Worker;
  return args.count() == 0 ? Mode::Settings : Mode::ArgumentError;
}

std::vector<Box> argument_error_boxes(const Arguments& args, const CodePage& cp) {
  std::vector<Box> boxes{{"エラー",
                          "最後の引数がURLでは無いようです。\r\nmenu.iniの記述か間違っていると思われます。",
                          BoxIcon::Error}};
  for (int i = 0; i <= args.count(); ++i) boxes.push_back({kAppTitle, to_utf8(args[i], cp), BoxIcon::None});
  return boxes;
}

Box unhandled_error_box(const Error& error, const std::string& program_path, const CodePage& cp) {
  const std::string message = error.what();
  const char* stop = (!message.empty() && message.back() != '.') ? "." : "";
  return {"アプリケーション エラー",
          "qm::Error がモジュール " + program_file_name(program_path, cp) + " の " + position(error.where()) +
              " で発生しました。\r\n" + message + stop + "\r\n",
          BoxIcon::Stop};
}

int run_quotemill(const Arguments& args, Desktop& desktop) {
  switch (choose_mode(args)) {
    case Mode::Worker:
      try {
        run_worker(args, desktop.clipboard, desktop.cp);
      } catch (const Error& e) {
        desktop.boxes.show(unhandled_error_box(e, args[0], desktop.cp));
        return 1;
      } catch (const std::bad_alloc&) {
        // A selection too large for the memory the run may use: the clipboard stays as it was.
        return_freed_memory();
        desktop.boxes.show(unhandled_error_box(Error(kCannotOpenClipboard), args[0], desktop.cp));
        return 1;
      }
      return 0;
    case Mode::Settings:
      return desktop.run_settings();
    case Mode::ArgumentError:
      for (const Box& box : argument_error_boxes(args, desktop.cp)) desktop.boxes.show(box);
      return 0;
  }
  return 0;
}

}  // namespace qm

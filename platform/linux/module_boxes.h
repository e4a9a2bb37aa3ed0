#pragma once
// Boxes on X11, shown by the program's window module, which is loaded only when a box must
// be shown. Without a reachable display only the standard-error line is written.

#include <string>

#include "message_box.h"

namespace qm {

class ModuleBoxes : public MessageBoxes {
 public:
  explicit ModuleBoxes(std::string module_file) : module_file_(std::move(module_file)) {}
  void show(const Box& box) override;

 private:
  std::string module_file_;
};

}  // namespace qm

#pragma once
// Starts the workers as processes of their own.

#include <chrono>

#include "requests.h"

namespace qm::host {

class PosixLauncher : public WorkerLauncher {
 public:
  // `host_path` is the running host, whose directory (or the program directory an
  // installed host finds from it) holds the workers; `work_dir` is where they run.
  PosixLauncher(std::string host_path, std::string work_dir, std::chrono::milliseconds time_limit);
  std::string find_worker(std::string_view name) override;
  WorkerResult run(const WorkerRun& run) override;

 private:
  std::string host_dir_;
  std::string work_dir_;
  std::chrono::milliseconds time_limit_;
};

// $XDG_CONFIG_HOME/quotemill (else ~/.config/quotemill), made when missing; where
// `quotemill3 -u` finds user.txt.
std::string worker_directory();

}  // namespace qm::host

#pragma once
// Starts the workers as processes of their own.

#include <chrono>

#include "requests.h"

namespace qm::host {

class PosixLauncher : public WorkerLauncher {
 public:
  // `host_path` is the running host, whose directory (or the program directory an
  // installed host finds from it) holds the workers.
  PosixLauncher(std::string host_path, std::chrono::milliseconds time_limit);
  std::string find_worker(std::string_view name) override;
  // The worker runs in its folder (posix_worker_folder), made when missing; without one it
  // is not started.
  WorkerResult run(const WorkerRun& run) override;

 private:
  std::string host_dir_;
  std::chrono::milliseconds time_limit_;
};

}  // namespace qm::host

#pragma once
// Starts the workers as processes of their own, on Windows.

#include <chrono>

#include "codepage.h"
#include "requests.h"

namespace qm::host {

class Win32Launcher : public WorkerLauncher {
 public:
  // `host_path` (UTF-8) is the running host, whose directory holds the workers; `cp` is the
  // code page of the runs' argument texts.
  Win32Launcher(std::string host_path, CodePage cp, std::chrono::milliseconds time_limit);
  std::string find_worker(std::string_view name) override;
  // The worker gets the command line "PATH" ARGUMENT exactly, outside the host's job where
  // the job allows it, so that a browser that ends the host leaves the worker to finish. It
  // runs in its folder (windows_worker_folder), made when missing; without one it is not
  // started.
  WorkerResult run(const WorkerRun& run) override;

 private:
  std::string host_dir_;
  CodePage cp_;
  std::chrono::milliseconds time_limit_;
};

}  // namespace qm::host

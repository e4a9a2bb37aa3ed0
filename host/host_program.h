#pragma once
// The program block of quotemill-host, the same on every system: which option a run is,
// the usage, and serving the browser's messages. What a system does its own way (where a
// registration goes, how standard input is read, how a worker is started) is a HostSystem.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "codepage.h"
#include "messaging.h"
#include "requests.h"

namespace qm::host {

class HostSystem {
 public:
  virtual ~HostSystem() = default;
  // --register and --unregister: the manifests and where the browsers find them. Each says
  // what it did on standard output and why it failed on standard error, and returns the
  // exit status.
  virtual int register_host(const std::string& host_path) = 0;
  virtual int unregister_host(const std::string& host_path) = 0;
  // Whether a person, not a browser, is at the other end of standard input.
  virtual bool input_is_terminal() = 0;
  // Standard input and output made ready for framed messages; the reader of standard input.
  virtual ReadSome message_input() = 0;
  // The workers' launcher for a host at `host_path`; a worker may take `time_limit`.
  virtual std::unique_ptr<WorkerLauncher> launcher(const std::string& host_path, const CodePage& cp,
                                                   std::chrono::milliseconds time_limit) = 0;
  // An environment variable in UTF-8; empty when unset.
  virtual std::string environment(const char* name) = 0;
};

// One run of quotemill-host with the arguments after the program name, `host_path` (UTF-8)
// being the running host; returns the exit status. Started by hand it registers,
// unregisters, prints a manifest or the usage; started by a browser, which passes its own
// arguments, it answers the messages until the browser closes the stream.
int run_host(const std::vector<std::string>& args, const std::string& host_path, HostSystem& system);

}  // namespace qm::host

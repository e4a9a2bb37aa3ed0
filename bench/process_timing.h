#pragma once
// Whole-process timing for the round-trip benchmarks.

#include <string>
#include <vector>

namespace qm::bench {

struct Timing {
  double ms;         // from the start of the program to its exit
  long max_rss_kib;  // the program's peak resident memory
};

// Runs a program on `display` (LANG=C.UTF-8, standard output discarded); it must succeed.
Timing time_run(const std::vector<std::string>& argv, const std::string& display);

double median(std::vector<double> values);

}  // namespace qm::bench

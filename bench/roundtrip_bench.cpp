// Whole-process round trips of quotemill on a private Xvfb, against the xclip pipeline, xsel
// and the floor client, in the same run (see roundtrip_harness.h); with --wayland on sway run
// headless, wl-copy -> quotemill -> wl-paste against the `wl-paste | wl-copy` pipeline.
//
//   roundtrip_bench [--program PATH]... [--sizes 1K,64K,1M,10M,100M] [--shapes long,short,none]
//                   [--wayland] [-- ARGS...]     default: quotemill -a -h http://example.com/
//
// Two --program options time two builds side by side, each in its own columns.

#include "roundtrip_harness.h"

int main(int argc, char** argv) {
  const qm::bench::RoundtripSetup setup{
      "roundtrip_bench [--program PATH]... [--sizes 1K,...] [--shapes long,short,none] [--wayland] [-- ARGS...]",
      "quotemill",
      {"-a", "-h", "http://example.com/"},
      // The link around the text; -h puts "<br>" before each line break.
      [](const std::string& text) { return "<a href=\"http://example.com/\">" + qm::bench::with_breaks(text) + "</a>"; },
      "",
      {}};
  return qm::bench::run_roundtrip(argc, argv, setup);
}

// Whole-process round trips of quotemill3 on a private Xvfb, against the xclip pipeline, xsel
// and the floor client, in the same run (see roundtrip_harness.h). A window of the
// benchmark's, titled like a browser's, holds the input focus, so every run finds its title;
// with --wayland, on sway run headless, the runs are handed that caption as the browser
// companion's helper hands it over.
//
//   lite_roundtrip [--program PATH]... [--sizes 1K,64K,1M,10M,100M] [--shapes long,short,none]
//                  [--wayland] [-- ARGS...]     default: quotemill3 -a http://example.com/

#include "roundtrip_harness.h"

int main(int argc, char** argv) {
  const qm::bench::RoundtripSetup setup{
      "lite_roundtrip [--program PATH]... [--sizes 1K,...] [--shapes long,short,none] [--wayland] [-- ARGS...]",
      "quotemill3",
      {"-a", "http://example.com/"},
      // The caption up to its last " - " as the title; the text as it was read.
      [](const std::string& text) {
        return "<a title=\"Benchmark page\" href=\"http://example.com/\">" + text + "</a>";
      },
      "Benchmark page - Browser",
      {}};
  return qm::bench::run_roundtrip(argc, argv, setup);
}

// The worker's text work alone: every style over 1 KB, 1 MB and 100 MB selections with
// line breaks converted, in bytes per second.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "process.h"
#include "quote_builder.h"

namespace {

const char* const kStyles[] = {"-a", "-a='_blank'", "-b60", "-q", "-o", "-o='_top'", "-hd"};

// Lines of mixed Japanese and ASCII, CR LF between them, as the clipboard service gives them.
std::string selection(std::size_t size) {
  const std::string line = "日本語の文章と ASCII text, mixed together in one line of a web page.\r\n";
  std::string text;
  text.reserve(size + line.size());
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

void Style(benchmark::State& state) {
  const qm::CodePage cp = qm::CodePage::utf8();
  const std::string text = selection(static_cast<std::size_t>(state.range(1)));
  const qm::Arguments args("/usr/bin/quotemill", {kStyles[state.range(0)], "-h", "http://example.com/"});
  const std::string attribute = qm::url_attribute(args, cp);
  state.SetLabel(kStyles[state.range(0)]);
  for (auto _ : state) {
    state.PauseTiming();  // the worker moves the text it read; only the building is timed
    std::string copy = text;
    state.ResumeTiming();
    std::string out = qm::build_quote(args, attribute, std::move(copy), cp);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(1));
}

BENCHMARK(Style)
    ->ArgsProduct({benchmark::CreateDenseRange(0, std::size(kStyles) - 1, 1), {1 << 10, 1 << 20, 100 << 20}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qm::keep_freed_memory();  // as the programs do
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

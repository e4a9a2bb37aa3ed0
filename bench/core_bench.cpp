// The worker's text work alone, from the text a clipboard read gives (LF line breaks) to
// the text a write hands on: every style at 1 MB, and "-a -h" over selections of three
// shapes (long lines, short lines, no line break) from 1 KB to 100 MB, in bytes per second.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "clipboard.h"
#include "process.h"
#include "quote_builder.h"

namespace {

const char* const kStyles[] = {"-a", "-a='_blank'", "-b60", "-q", "-o", "-o='_top'", "-hd"};

enum Shape { kLongLines, kShortLines, kNoBreak };
const char* const kShapeNames[] = {"long lines", "short lines", "no line break"};

// Mixed Japanese and ASCII, LF between lines as browsers put them on the clipboard: lines
// of 1,000 bytes, of 17 bytes (list items, table cells, code), or none at all.
std::string selection(Shape shape, std::size_t size) {
  std::string line;
  if (shape == kShortLines) {
    line = "日本語 abc 12\n";  // 16 bytes and LF
  } else {
    const std::string words = "日本語の文章と ASCII text, mixed together in a web page. ";
    while (line.size() < 999) line += words;
    line.resize(999);
    while ((static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.back() = '.';  // no cut character
    if (static_cast<unsigned char>(line.back()) >= 0x80) line.back() = '.';
    line += shape == kNoBreak ? ' ' : '\n';
  }
  std::string text;
  text.reserve(size + line.size());
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

void run(benchmark::State& state, const char* style, Shape shape, std::size_t size) {
  const qm::CodePage cp = qm::CodePage::utf8();
  const std::string text = selection(shape, size);
  const qm::Arguments args("/usr/bin/quotemill", {style, "-h", "http://example.com/"});
  const std::string attribute = qm::url_attribute(args, cp);
  for (auto _ : state) {
    state.PauseTiming();  // the worker owns the text it read; only its own work is timed
    std::string copy = text;
    state.ResumeTiming();
    // As the worker does: through the clipboard edge both ways, in the form it hands over.
    qm::ClipboardTextEdge edge(cp);
    qm::ReadText read = edge.from_desktop(std::move(copy));
    std::string out = edge.to_desktop(qm::build_quote(args, attribute, std::move(read.text), cp, read.references));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void Style(benchmark::State& state) {
  state.SetLabel(kStyles[state.range(0)]);
  run(state, kStyles[state.range(0)], kLongLines, 1 << 20);
}
BENCHMARK(Style)->DenseRange(0, std::size(kStyles) - 1, 1)->Unit(benchmark::kMillisecond);

void Shapes(benchmark::State& state) {
  const auto shape = static_cast<Shape>(state.range(0));
  state.SetLabel(kShapeNames[shape]);
  run(state, "-a", shape, static_cast<std::size_t>(state.range(1)));
}
BENCHMARK(Shapes)
    ->ArgsProduct({{kLongLines, kShortLines, kNoBreak}, {1 << 10, 64 << 10, 1 << 20, 10 << 20, 100 << 20}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qm::keep_freed_memory();  // as the programs do
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

// quotemill3's argument splitter and option scan: any line splits without fault into
// non-empty arguments; simple arguments come back as they were joined; an argument wholly in
// double quotes loses them and keeps its blanks; FindOption names the last match.

#include <fuzzer/FuzzedDataProvider.h>

#include "arguments.h"
#include "check.h"

using namespace qm::lite;
using namespace qm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string option = in.ConsumeRandomLengthString(4);
  const std::string line = in.ConsumeRemainingBytesAsString();

  const ArgumentList args = SplitArguments(line);
  std::size_t bytes = 0;
  for (const std::string& arg : args) {
    QM_FUZZ_CHECK(!arg.empty());
    bytes += arg.size();
  }
  QM_FUZZ_CHECK(bytes <= line.size());
  QM_FUZZ_CHECK(Argument(args, 0).empty() && Argument(args, static_cast<int>(args.size()) + 1).empty());

  const std::optional<int> found = FindOption(args, option);
  int last = 0;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i].starts_with(option)) last = static_cast<int>(i) + 1;
  QM_FUZZ_CHECK(found.value_or(0) == last);

  const std::vector<std::string> simple = plain_pieces(line);
  QM_FUZZ_CHECK(SplitArguments(joined(simple)) == simple);

  std::vector<std::string> spaced, quoted;
  for (const std::string& arg : simple) {
    spaced.push_back(arg + " " + arg);
    quoted.push_back("\"" + spaced.back() + "\"");
  }
  QM_FUZZ_CHECK(SplitArguments(joined(quoted)) == spaced);
  return 0;
}

// quotemill's command-line splitter: any line splits without fault into non-empty
// arguments; a line of simple arguments gives them back; so does a line of arguments that
// each stand in double quotes with blanks inside.

#include <fuzzer/FuzzedDataProvider.h>

#include "arguments.h"
#include "check.h"

using namespace qm;
using namespace qm::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = code_page_for(in.ConsumeIntegral<unsigned char>());
  const std::string line = in.ConsumeRemainingBytesAsString();

  std::size_t bytes = 0;
  for (const std::string& arg : split_command_line(line, cp)) {
    QM_FUZZ_CHECK(!arg.empty());
    QM_FUZZ_CHECK(arg.find('\0') == std::string::npos);
    bytes += arg.size();
  }
  QM_FUZZ_CHECK(bytes <= line.size());

  const std::vector<std::string> simple = plain_pieces(line);
  std::vector<std::string> spaced;
  QM_FUZZ_CHECK(split_command_line(joined(simple), cp) == simple);

  // Quoted arguments may hold blanks and tabs: the quotes group and are dropped.
  for (const std::string& arg : simple) spaced.push_back(arg.substr(0, arg.size() / 2) + " \t" + arg.substr(arg.size() / 2));
  std::vector<std::string> quoted;
  for (const std::string& arg : spaced) quoted.push_back("\"" + arg + "\"");
  QM_FUZZ_CHECK(split_command_line(joined(quoted), cp) == spaced);
  return 0;
}

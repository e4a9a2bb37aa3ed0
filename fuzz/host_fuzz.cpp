// The native host's readers, on anything a browser or a stranger might send: JSON read back
// from its own writing is the same value, menu lines are either entries that can be run or
// refusals with a reason, and framing in any cut gives the same messages.

#include <algorithm>
#include <cstring>

#include "check.h"
#include "json.h"
#include "menu_lines.h"
#include "messaging.h"

using namespace qm::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const std::optional<Json> j = parse_json(input)) {
    const std::string written = to_json(*j);
    const std::optional<Json> again = parse_json(written);
    QM_FUZZ_CHECK(again && *again == *j);
    QM_FUZZ_CHECK(to_json(*again) == written);
  }

  const MenuLines lines = parse_menu_lines(input);
  for (const MenuEntry& e : lines.entries) QM_FUZZ_CHECK(entry_problem(e).empty() && is_worker_name(e.program));
  for (const RefusedLine& r : lines.refused) QM_FUZZ_CHECK(!r.reason.empty() && input.find(r.line) != std::string_view::npos);

  // The input as a stream of framed messages, read whole and in pieces of the first byte's size.
  auto read_all = [&](std::size_t step) {
    std::size_t at = 0;
    const ReadSome read = [&](char* buffer, std::size_t want) {
      const std::size_t n = std::min({want, step, input.size() - at});
      std::memcpy(buffer, input.data() + at, n);
      at += n;
      return n;
    };
    std::vector<std::string> got;
    for (Incoming in; (in = read_message(read)).kind != Incoming::Kind::End;)
      got.push_back(std::to_string(static_cast<int>(in.kind)) + ":" + in.text);
    return got;
  };
  QM_FUZZ_CHECK(read_all(size + 1) == read_all(size ? 1 + data[0] % 7 : 1));
  return 0;
}

#include "requests.h"

#include <algorithm>
#include <cstdint>

#include "menu_lines.h"
#include "messaging.h"
#include "text.h"
#include "time_limit.h"

namespace qm::host {
namespace {

constexpr char kVersion[] = QUOTEMILL_VERSION;  // the project's, which the extension's manifest holds
constexpr char kCaptionVariable[] = "QUOTEMILL_CAPTION=";
constexpr char kRichVariable[] = "QUOTEMILL_RICH=";
constexpr std::chrono::milliseconds kDefaultTimeLimit = std::chrono::minutes(2);

// Every entry goes into the answer, which it cannot outgrow: a request holds at most
// kMaxMessage bytes of JSON, and an entry takes at most three times what its line took
// there. Each byte of its texts costs the request at least one byte and at most a third of
// what the answer writes for it (a tab: "\t" there, "\u0009" here), and its keys and
// punctuation (45 bytes) are fewer than three times the line's own ("item,", the action,
// the escaped quotes: 42 bytes at least). So the entries take at most 3 * 64 KiB. A refused
// line can take far more than its bytes (a one-byte line gets a sentence of a reason), so
// the refused lines fill the room that is left, in their order, and the answer counts the
// rest.
Json entries_json(const MenuLines& lines) {
  Json::Array entries;
  for (const MenuEntry& e : lines.entries)
    entries.push_back(Json::Object{{"caption", e.caption}, {"program", e.program}, {"arguments", e.arguments}});
  const auto answer = [&](Json::Array refused, std::size_t left_out) {
    return Json::Object{{"ok", true},
                        {"entries", entries},
                        {"refused", std::move(refused)},
                        {"refusedLeftOut", static_cast<std::int64_t>(left_out)}};
  };
  // The framed answer with no refused line listed; the count written can only get shorter.
  std::size_t size = frame_message(to_json(answer({}, lines.refused.size()))).size();
  Json::Array refused;
  for (const RefusedLine& r : lines.refused) {
    Json item = Json::Object{{"line", r.line}, {"reason", r.reason}};
    const std::size_t cost = to_json(item).size() + (refused.empty() ? 0 : 1);  // and its comma
    if (size + cost > kMaxAnswer) break;
    size += cost;
    refused.push_back(std::move(item));
  }
  const std::size_t left_out = lines.refused.size() - refused.size();
  return answer(std::move(refused), left_out);
}

// What replace_all(arguments, "%u", url) would give, counted without building it.
std::size_t expanded_size(std::string_view arguments, std::string_view url) {
  std::size_t size = arguments.size();
  for (std::size_t at = arguments.find("%u"); at != std::string_view::npos; at = arguments.find("%u", at + 2))
    size += url.size() - 2;  // wraps around for an address shorter than "%u", and back again
  return size;
}

Json run_entry(const Json& request, WorkerLauncher& launcher, const CodePage& cp) {
  const std::string* program = request.get_string("program");
  const std::string* arguments = request.get_string("arguments");
  const std::string* url = request.get_string("url");
  const std::string* caption = request.get_string("caption");
  const Json* rich = request.get("rich");
  if (!program || !arguments || !url) return error_answer("A run needs the strings program, arguments and url.");
  // A run is rich unless it says otherwise: an extension from before the switch says nothing.
  if (rich && !rich->boolean()) return error_answer("A run's rich must be true or false.");
  const MenuEntry entry{"run", *program, *arguments};
  if (std::string why = entry_problem(entry); !why.empty()) return error_answer("The entry cannot be run: " + why + ".");
  if (std::string why = address_problem(*url); !why.empty()) return error_answer(why);
  if (arguments->find('\0') != std::string::npos) return error_answer("The arguments hold a NUL character.");
  // A text that repeats %u with a long address would grow without bound before the system
  // refused it.
  if (const std::size_t size = expanded_size(*arguments, *url); size > kMaxArgument)
    return error_answer("With the page address put in, the arguments would take " + std::to_string(size) +
                        " bytes, more than the " + std::to_string(kMaxArgument / 1024) + " KiB a worker is given.");

  const std::string name = program_name(*program);
  const std::string worker = launcher.find_worker(name);
  if (worker.empty()) return error_answer("The worker " + name + " is not installed beside quotemill-host.");
  // The worker reads its command line in the locale's code page, as if the browser had
  // started it, and splits it by its own rules: the text goes as it stands, in one piece.
  // The address holds no blank and no quote, so the worker splits it into the arguments
  // that entry_problem judged, with the address in place of %u.
  const std::string text = replace_all(*arguments, "%u", *url, CodePage::utf8());
  const WorkerResult result = launcher.run(
      {worker, from_utf8(text, cp), caption ? *caption : std::string(), rich ? *rich->boolean() : true});
  if (!result.started) return error_answer("The worker could not be started: " + result.error);
  Json::Array messages(result.lines.begin(), result.lines.end());
  if (result.timed_out)
    return Json::Object{{"ok", false},
                        {"timedOut", true},
                        {"error", "The worker did not finish in time and was stopped."},
                        {"messages", std::move(messages)}};
  return Json::Object{{"ok", true}, {"status", result.status}, {"messages", std::move(messages)}};
}

}  // namespace

void keep_output(std::string& out, std::string_view chunk) {
  if (out.size() < kMaxOutput) out.append(chunk.substr(0, kMaxOutput - out.size()));
}

std::vector<std::string> output_lines(std::string_view text) {
  // A lead byte whose continuation bytes did not all come starts no character.
  for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
    const unsigned char c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (length > back) text.remove_suffix(back);
    break;
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    if (stop > start) lines.emplace_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

std::chrono::milliseconds worker_time_limit(std::string_view value) {
  return read_milliseconds(value).value_or(kDefaultTimeLimit);
}

std::vector<std::string> worker_variables(const WorkerRun& run, std::chrono::milliseconds time_limit) {
  std::vector<std::string> variables;
  if (!run.caption.empty()) variables.push_back(kCaptionVariable + run.caption);
  if (!run.rich) variables.push_back(std::string(kRichVariable) + "0");
  const auto box_limit = std::min<std::int64_t>(time_limit.count() + 5000, 2147483647);
  variables.push_back(std::string(kBoxTimeLimitVariable) + "=" + std::to_string(box_limit));
  return variables;
}

bool is_worker_variable(std::string_view entry) {
  return entry.starts_with(kCaptionVariable) || entry.starts_with(kRichVariable) ||
         (entry.starts_with(kBoxTimeLimitVariable) && entry.substr(sizeof kBoxTimeLimitVariable - 1).starts_with('='));
}

Json error_answer(std::string message) { return Json::Object{{"ok", false}, {"error", std::move(message)}}; }

std::string address_problem(std::string_view url) {
  if (url.empty()) return "The page has no address.";
  for (const char ch : url) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return "The page address holds a control character.";
    if (c == ' ') return "The page address holds a blank.";
    if (c == '"') return "The page address holds a double quote.";
  }
  return {};
}

Json answer(std::string_view message, WorkerLauncher& launcher, const CodePage& cp) {
  const std::optional<Json> request = parse_json(message);
  if (!request || !request->object()) return error_answer("The message is not a JSON object.");
  const std::string* kind = request->get_string("kind");
  if (!kind) return error_answer("The message has no kind.");
  if (*kind == "version") return Json::Object{{"ok", true}, {"version", kVersion}};
  if (*kind == "parse") {
    const std::string* text = request->get_string("text");
    if (!text) return error_answer("A parse needs the string text.");
    return entries_json(parse_menu_lines(*text));
  }
  if (*kind == "run") return run_entry(*request, launcher, cp);
  return error_answer("Unknown kind of message: " + *kind + ".");
}

}  // namespace qm::host

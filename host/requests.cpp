#include "requests.h"

#include "menu_lines.h"
#include "text.h"

namespace qm::host {
namespace {

constexpr char kVersion[] = "0.1.0";

Json entries_json(const MenuLines& lines) {
  Json::Array entries, refused;
  for (const MenuEntry& e : lines.entries)
    entries.push_back(Json::Object{{"caption", e.caption}, {"program", e.program}, {"arguments", e.arguments}});
  for (const RefusedLine& r : lines.refused) refused.push_back(Json::Object{{"line", r.line}, {"reason", r.reason}});
  return Json::Object{{"ok", true}, {"entries", std::move(entries)}, {"refused", std::move(refused)}};
}

Json run_entry(const Json& request, WorkerLauncher& launcher, const CodePage& cp) {
  const std::string* program = request.get_string("program");
  const std::string* arguments = request.get_string("arguments");
  const std::string* url = request.get_string("url");
  const std::string* caption = request.get_string("caption");
  if (!program || !arguments || !url) return error_answer("A run needs the strings program, arguments and url.");
  const MenuEntry entry{"run", *program, *arguments};
  if (std::string why = entry_problem(entry); !why.empty()) return error_answer("The entry cannot be run: " + why + ".");
  if (std::string why = address_problem(*url); !why.empty()) return error_answer(why);
  if (arguments->find('\0') != std::string::npos) return error_answer("The arguments hold a NUL character.");

  const std::string name = program_name(*program);
  const std::string worker = launcher.find_worker(name);
  if (worker.empty()) return error_answer("The worker " + name + " is not installed beside quotemill-host.");
  // The worker reads its command line in the locale's code page, as if the browser had
  // started it, and splits it by its own rules: the text goes as it stands, in one piece.
  // The address holds no blank and no quote, so the worker splits it into the arguments
  // that entry_problem judged, with the address in place of %u.
  const std::string text = replace_all(*arguments, "%u", *url, CodePage::utf8());
  const WorkerResult result = launcher.run({worker, from_utf8(text, cp), caption ? *caption : std::string()});
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

std::vector<std::string> output_lines(std::string_view text) {
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

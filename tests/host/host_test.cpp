// The native host's logic: the menu lines it reads back, its message framing, its JSON and
// what it runs for each request.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "codepage.h"
#include "folders.h"
#include "manifests.h"
#include "menu_entries.h"
#include "menu_lines.h"
#include "messaging.h"
#include "requests.h"

namespace qm::host {
namespace {

const std::string kProgram = "/usr/local/bin/quotemill";

TEST(MenuLines, ReadsBackWhatTheSettingsWindowWrites) {
  using settings::FormChoices;
  using settings::LineBreak;
  auto form = [](auto change) {
    FormChoices c;
    c.a_target_text = c.ore_target_text = "_blank";
    c.quote_threshold = c.join_threshold = "60";
    c.class_text = "class_name";
    change(c);
    return c;
  };
  struct Case {
    FormChoices choices;
    std::vector<MenuEntry> want;
  } cases[] = {
      {form([](FormChoices& c) { c.a_tag = c.q_tag = true; }),
       {{"aタグを挿入してコピー", kProgram, " -a  %u"}, {"qタグを挿入してコピー", kProgram, " -q  %u"}}},
      {form([](FormChoices& c) {
         c.a_tag = c.a_target = c.ore_news = c.ore_target = c.blockquote = c.hatena = true;
         c.line_break = LineBreak::Br;
         c.join_lines = c.class_name = true;
       }),
       {{"aタグを挿入してコピー", kProgram, " -a='_blank' -h -d=60 -c='class_name' %u"},
        {"『俺ニュース』方式リンクでコピー", kProgram, " -o='_blank' -h -d=60 -c='class_name' %u"},
        {"blockquoteタグを挿入してコピー", kProgram, " -b60  -h -d=60 -c='class_name' %u"},
        {"はてなダイアリーの見出しっぽくコピー", kProgram, " -hd  -h -d=60 -c='class_name' %u"}}},
      // A class value may hold double quotes and blanks: the text runs to the line's last quote.
      {form([](FormChoices& c) {
         c.q_tag = c.class_name = true;
         c.line_break = LineBreak::BrSlash;
         c.class_text = "a \"b\"";
       }),
       {{"qタグを挿入してコピー", kProgram, " -q  -x -c='a \"b\"' %u"}}},
  };
  for (const Case& c : cases) {
    const std::string lines = settings::generate_menu_lines(c.choices, kProgram, CodePage::utf8()).lines;
    EXPECT_EQ(parse_menu_lines(lines).entries, c.want) << lines;
    std::string lf = lines;  // the same pasted with LF line breaks
    std::erase(lf, '\r');
    EXPECT_EQ(parse_menu_lines(lf).entries, c.want);
    EXPECT_TRUE(parse_menu_lines(lines).refused.empty());
  }
}

TEST(MenuLines, SectionsCommentsAndHandWrittenLines) {
  const std::string text =
      "; pasted from menu.ini\r\n"
      "[Document Popup Menu]\r\n"
      "Item, 50761 = Copy\r\n"
      "[Hotclick Popup Menu]\r\n"
      "\r\n"
      "  item, \"タイトル付き\" = Copy & Execute program,\"C:\\tools\\quotemill3.exe\",\" -a -c=\"my class\" %u\"  \r\n"
      "ITEM,\"user\"=copy & execute program,\"quotemill3\",\" -u user.txt %u\"\n"
      // -u with a name that starts with "-" reads user.txt; only quotemill3's style reads a file.
      "item, \"u\" = Copy & Execute program,\"quotemill3\",\" -u -c=x %u\"\n"
      "item, \"a\" = Copy & Execute program,\"quotemill3\",\" -a -u ../x %u\"\n"
      "item, \"m\" = Copy & Execute program,\"quotemill\",\" -u ../x %u\"\n"
      "[Link Popup Menu]\n"
      "item, \"other\" = Copy & Execute program,\"/bin/sh\",\" -c %u\"\n";
  const MenuLines got = parse_menu_lines(text);
  const std::vector<MenuEntry> want{{"タイトル付き", "C:\\tools\\quotemill3.exe", " -a -c=\"my class\" %u"},
                                    {"user", "quotemill3", " -u user.txt %u"},
                                    {"u", "quotemill3", " -u -c=x %u"},
                                    {"a", "quotemill3", " -a -u ../x %u"},
                                    {"m", "quotemill", " -u ../x %u"}};
  EXPECT_EQ(got.entries, want);
  EXPECT_TRUE(got.refused.empty());
}

TEST(MenuLines, RefusedLinesSayWhy) {
  struct Case {
    const char *line, *reason_part;
  } cases[] = {
      {"Platform Windows", "not a menu item"},
      {"Item, 50761 = Copy", "not \"Copy & Execute program\""},
      {"item \"a\" = Copy & Execute program,\"quotemill\",\" -a %u\"", "comma must follow"},
      {"item, a = Copy & Execute program,\"quotemill\",\" -a %u\"", "caption must stand in double quotes"},
      {"item, \"a\" Copy & Execute program,\"quotemill\",\" -a %u\"", "\"=\" must follow"},
      {"item, \"a\" = Execute program,\"quotemill\",\" -a %u\"", "not \"Copy & Execute program\""},
      {"item, \"a\" = Copy & Execute program,quotemill,\" -a %u\"", "program must stand"},
      {"item, \"a\" = Copy & Execute program,\"quotemill\", -a %u", "arguments must stand"},
      {"item, \"\" = Copy & Execute program,\"quotemill\",\" -a %u\"", "caption is empty"},
      {"item, \"a\" = Copy & Execute program,\"/usr/bin/xterm\",\" -e %u\"", "runs \"/usr/bin/xterm\""},
      {"item, \"a\" = Copy & Execute program,\"/opt/quotemill-x\",\" %u\"", "runs \"/opt/quotemill-x\""},
      {"item, \"a\" = Copy & Execute program,\"quotemill\",\" -a\"", "no %u"},
      // quotemill3 -u NAME reads NAME: only a plain file name in the workers' folder, the
      // arguments split as quotemill3 splits them.
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u ../../proc/self/environ %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u a/b %u\"", "\"a/b\", must be a plain file name"},
      {"item, \"a\" = Copy & Execute program,\"C:\\qm\\quotemill3.exe\",\" -u a\\b %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u .. %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u x..y %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u C:user.txt %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u \"../a b\" %u\"", "\"../a b\", must be"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" \"\" \"-u\"\t../x %u\"", "plain file name"},
      {"item, \"a\" = Copy & Execute program,\"quotemill3\",\" -u %u\"", "page address the template's file name"},
  };
  for (const Case& c : cases) {
    const MenuLines got = parse_menu_lines(std::string(c.line) + "\r\n");
    ASSERT_EQ(got.refused.size(), 1u) << c.line;
    EXPECT_EQ(got.refused[0].line, c.line);
    EXPECT_NE(got.refused[0].reason.find(c.reason_part), std::string::npos) << c.line << ": " << got.refused[0].reason;
    EXPECT_TRUE(got.entries.empty());
  }
}

// A stream that hands out its bytes `step` at a time, as a pipe may.
struct Chunks {
  std::string data;
  std::size_t step, at = 0;
  std::size_t operator()(char* buffer, std::size_t size) {
    const std::size_t n = std::min({size, step, data.size() - at});
    std::memcpy(buffer, data.data() + at, n);
    at += n;
    return n;
  }
};

TEST(Messaging, FramesSurviveAnyCutAndOversizeKeepsTheStreamInStep) {
  const std::string big(kMaxMessage + 1, 'x');
  const std::string stream = frame_message("{\"kind\":\"version\"}") + frame_message("") + frame_message(big) +
                             frame_message(std::string(kMaxMessage, 'y')) + frame_message("\"日本\"");
  for (std::size_t step : {1u, 3u, 4096u}) {
    Chunks chunks{stream, step};
    const ReadSome read = std::ref(chunks);
    Incoming m = read_message(read);
    EXPECT_EQ(m.kind, Incoming::Kind::Message);
    EXPECT_EQ(m.text, "{\"kind\":\"version\"}");
    EXPECT_EQ(read_message(read).kind, Incoming::Kind::Empty);
    m = read_message(read);
    EXPECT_EQ(m.kind, Incoming::Kind::TooLarge);
    EXPECT_EQ(m.length, kMaxMessage + 1);
    EXPECT_EQ(read_message(read).text.size(), kMaxMessage);  // the largest taken
    EXPECT_EQ(read_message(read).text, "\"日本\"");
    EXPECT_EQ(read_message(read).kind, Incoming::Kind::End);
  }
  // A stream that ends inside a header or a message just ends.
  for (const std::string& cut : {std::string("\x05\x00", 2), frame_message("abcdef").substr(0, 7)}) {
    Chunks chunks{cut, 2};
    EXPECT_EQ(read_message(std::ref(chunks)).kind, Incoming::Kind::End);
  }
}

TEST(Json, ReadsStrictlyAndWritesEscaped) {
  const std::optional<Json> j = parse_json(R"( {"a":[1,-20,true,false,null],"s":"\"\\\/\n\u00e9\ud83d\ude00x"} )");
  ASSERT_TRUE(j);
  EXPECT_EQ(*j->get_string("s"), "\"\\/\né😀x");
  EXPECT_EQ(to_json(*j), "{\"a\":[1,-20,true,false,null],\"s\":\"\\\"\\\\/\\u000aé😀x\"}");
  for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "{\"a\" 1}", "01", "1.5", "\"\\ud83d\"", "\"\\x\"",
                          "\"a\nb\"", "\"\xFF\"", "{} {}", "tru"})
    EXPECT_FALSE(parse_json(bad)) << bad;
  std::string deep(65, '[');
  deep += std::string(65, ']');
  EXPECT_FALSE(parse_json(deep));
}

// Records what it was asked to run and answers as told.
struct RecordingLauncher : WorkerLauncher {
  std::string find_worker(std::string_view name) override {
    return name == "quotemill" || name == "quotemill3" ? "/opt/qm/bin/" + std::string(name) : "";
  }
  WorkerResult run(const WorkerRun& r) override {
    runs.push_back(r);
    return result;
  }
  std::vector<WorkerRun> runs;
  WorkerResult result{true, false, 0, {}, {}};
};

Json ask(RecordingLauncher& launcher, const std::string& message, const CodePage& cp = CodePage::utf8()) {
  return answer(message, launcher, cp);
}

std::string run_request(const std::string& program, const std::string& arguments, const std::string& url) {
  return to_json(Json::Object{{"kind", "run"}, {"program", program}, {"arguments", arguments}, {"url", url}});
}

TEST(Requests, RunsTheWorkerBesideTheHostWithTheArgumentTextWhole) {
  RecordingLauncher l;
  Json a = ask(l, R"({"kind":"run","program":"C:\\old\\quotemill.exe","arguments":" -a  -c='x \"y\"' %u %u",)"
                  R"("url":"https://example.com/?q=1&r=%75","caption":"ページ - Chromium"})");
  EXPECT_EQ(to_json(a), R"({"messages":[],"ok":true,"status":0})");
  ASSERT_EQ(l.runs.size(), 1u);
  EXPECT_EQ(l.runs[0].program, "/opt/qm/bin/quotemill");  // whatever directory the line names
  EXPECT_EQ(l.runs[0].argument, " -a  -c='x \"y\"' https://example.com/?q=1&r=%75 https://example.com/?q=1&r=%75");
  EXPECT_EQ(l.runs[0].caption, "ページ - Chromium");
  EXPECT_TRUE(l.runs[0].rich);  // a request without the switch, as an older extension sends

  // The worker reads its command line in the locale's code page.
  const CodePage sjis = CodePage::shift_jis();
  ask(l, R"({"kind":"run","program":"quotemill3","arguments":" -c=日本 %u","url":"http://x/"})", sjis);
  EXPECT_EQ(l.runs[1].argument, from_utf8(" -c=日本 http://x/", sjis));
  EXPECT_EQ(l.runs[1].caption, "");

  // The entry's rich-paste switch.
  for (const bool rich : {false, true}) {
    ask(l, R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/","rich":)" +
               std::string(rich ? "true" : "false") + "}");
    EXPECT_EQ(l.runs.back().rich, rich);
  }

  l.result = {true, false, 1, {"アプリケーション エラー: qm::Error ..."}, {}};
  EXPECT_EQ(to_json(ask(l, R"({"kind":"run","program":"quotemill","arguments":"-b6a %u","url":"http://x/"})")),
            R"({"messages":["アプリケーション エラー: qm::Error ..."],"ok":true,"status":1})");
  l.result = {true, true, 0, {}, {}};
  EXPECT_EQ(*ask(l, R"({"kind":"run","program":"quotemill","arguments":"%u","url":"http://x/"})").get("timedOut"),
            Json(true));

  // The largest argument text, and one that only an address shorter than "%u" makes short.
  ask(l, run_request("quotemill", " -a %u", std::string(kMaxArgument - 4, 'x')));
  EXPECT_EQ(l.runs.back().argument, " -a " + std::string(kMaxArgument - 4, 'x'));
  std::string pairs;
  for (int i = 0; i < 200000; ++i) pairs += "%u";
  ask(l, run_request("quotemill", pairs, "x"));
  EXPECT_EQ(l.runs.back().argument, std::string(200000, 'x'));
}

TEST(Requests, AWorkersStandardErrorBecomesBoxLines) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"\n\r\n\n", {}},
      {"one line", {"one line"}},
      {"アプリケーション エラー: x\n", {"アプリケーション エラー: x"}},
      {"a\r\nb\r\n", {"a", "b"}},        // a C runtime in text mode
      {"a\n\nb", {"a", "b"}},
      {"a\rb\r\r\n", {"a\rb\r"}},      // only the CR before an LF goes
      {"cut\r", {"cut"}},          // the text ends a line as an LF does
      {"a\xF0\x9F\x98", {"a"}},      // a character cut off is left out
      {"a\xE3\x82", {"a"}},
      {"a\xC3", {"a"}},
      {"a😀", {"a😀"}},
      {"a\x82", {"a\x82"}},         // a stray byte starts no character: it stays
  };
  for (const Case& c : cases) EXPECT_EQ(output_lines(c.text), c.lines) << c.text;
  // A four-byte character straddling the end of what is kept, with 1 to 4 bytes inside.
  for (std::size_t inside = 1; inside <= 4; ++inside) {
    const std::string filling(kMaxOutput - inside, 'a'), written = filling + "😀\nmore\n";
    std::string out;
    for (std::size_t at = 0; at < written.size(); at += 1000) keep_output(out, std::string_view(written).substr(at, 1000));
    EXPECT_EQ(out.size(), kMaxOutput);
    EXPECT_EQ(output_lines(out), std::vector<std::string>{inside == 4 ? filling + "😀" : filling}) << inside;
  }
}

TEST(Requests, RefusesForeignProgramsBadAddressesAndBadMessages) {
  RecordingLauncher l;
  std::string pairs;  // 16,000 times %u with a 32 KiB address: refused before it is built
  for (int i = 0; i < 16000; ++i) pairs += "%u";
  struct Case {
    std::string message, error_part;
  } cases[] = {
      {run_request("quotemill3", " -u ../x %u", "http://x/"), "plain file name"},
      {run_request("quotemill", pairs, std::string(32768, 'x')), "would take 524288000 bytes, more than the 256 KiB"},
      {run_request("quotemill", " -a %u", std::string(kMaxArgument - 3, 'x')), "would take 262145 bytes"},
      {R"({"kind":"run","program":"/bin/sh","arguments":"-c reboot %u","url":"http://x/"})", "runs \"/bin/sh\""},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/ -h"})", "blank"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/\"y"})", "double quote"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/\ty"})", "control character"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/\u007f"})", "control character"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":""})", "no address"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u\u0000","url":"http://x/"})", "NUL"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a","url":"http://x/"})", "no %u"},
      {R"({"kind":"run","program":"quotemill","url":"http://x/"})", "needs the strings"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/","rich":0})", "true or false"},
      {R"({"kind":"run","program":"quotemill","arguments":"-a %u","url":"http://x/","rich":"false"})", "true or false"},
      {R"({"kind":"launch"})", "Unknown kind"},
      {R"({"text":"x"})", "no kind"},
      {R"(["run"])", "not a JSON object"},
      {R"({"kind":"parse"})", "needs the string text"},
  };
  for (const Case& c : cases) {
    const Json a = ask(l, c.message);
    EXPECT_EQ(*a.get("ok"), Json(false)) << c.message.substr(0, 100);
    ASSERT_TRUE(a.get_string("error"));
    EXPECT_NE(a.get_string("error")->find(c.error_part), std::string::npos) << *a.get_string("error");
  }
  EXPECT_TRUE(l.runs.empty());
}

TEST(Requests, ATimeLimitIsANumberOfMillisecondsOrTheDefault) {
  using std::chrono::milliseconds;
  for (const char* value : {"", "abc", "12x", "-5", "+5", " 5", "0", "1.5", "2147483648", "99999999999999999999"})
    EXPECT_EQ(worker_time_limit(value), milliseconds(120000)) << '"' << value << '"';
  EXPECT_EQ(worker_time_limit("8000"), milliseconds(8000));
  EXPECT_EQ(worker_time_limit("2147483647"), milliseconds(2147483647));
  // A worker's boxes wait a little longer than the host, which stops the worker first.
  // A run without rich paste says so; a rich one says nothing.
  struct Case {
    std::string caption;
    bool rich;
    milliseconds limit;
    std::vector<std::string> want;
  } cases[] = {
      {"", true, milliseconds(3000), {"QUOTEMILL_BOX_TIMEOUT_MS=8000"}},
      {"Page - Firefox", true, milliseconds(120000), {"QUOTEMILL_CAPTION=Page - Firefox", "QUOTEMILL_BOX_TIMEOUT_MS=125000"}},
      {"", true, milliseconds(2147483647), {"QUOTEMILL_BOX_TIMEOUT_MS=2147483647"}},
      {"", false, milliseconds(3000), {"QUOTEMILL_RICH=0", "QUOTEMILL_BOX_TIMEOUT_MS=8000"}},
      {"P - Chromium", false, milliseconds(3000),
       {"QUOTEMILL_CAPTION=P - Chromium", "QUOTEMILL_RICH=0", "QUOTEMILL_BOX_TIMEOUT_MS=8000"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(worker_variables({"/opt/qm/bin/quotemill", "-a x", c.caption, c.rich}, c.limit), c.want)
        << c.caption << ' ' << c.rich << ' ' << c.limit.count();
  // The host's own values of these never reach a worker: the run's own stand in their place.
  for (const char* entry : {"QUOTEMILL_CAPTION=x", "QUOTEMILL_RICH=0", "QUOTEMILL_RICH=", "QUOTEMILL_BOX_TIMEOUT_MS=5"})
    EXPECT_TRUE(is_worker_variable(entry)) << entry;
  for (const char* entry : {"QUOTEMILL_RICHER=0", "QUOTEMILL_BOX_TIMEOUT_MSX=5", "QUOTEMILL_HOST_TIMEOUT_MS=5", "HOME=/x"})
    EXPECT_FALSE(is_worker_variable(entry)) << entry;
}

// As many copies of `line` after `head` as a request of kMaxMessage bytes holds, escaped as
// a browser escapes: two bytes for a quote, a backslash, a tab or a line break.
std::string fill(const std::string& head, const std::string& line) {
  const auto cost = [](const std::string& t) { return t.size() + std::count_if(t.begin(), t.end(), [](char c) {
                                                   return c == '"' || c == '\\' || c == '\t' || c == '\n';
                                                 }); };
  std::string text = head;
  for (std::size_t size = cost(head) + std::strlen(R"({"kind":"parse","text":""})"); size + cost(line) <= kMaxMessage;
       size += cost(line))
    text += line;
  return text;
}

TEST(Requests, AParseAnswerKeepsEveryEntryAndFitsWhatABrowserTakes) {
  const std::string entry = "item, \"a\" = Copy & Execute program,\"quotemill\",\" -a %u\"\n";
  const std::string tabs(2000, '\t');  // two bytes each in a request, six in the answer
  const std::string tab_entry = "item, \"" + tabs + "\" = Copy & Execute program,\"quotemill3\",\" -a" + tabs + "%u\"\n";
  const std::string tab_refused = "item, \"a\" = Copy & Execute program,\"" + tabs + "\",\" %u\"\n";  // and in the reason
  std::string entries300, refused60;
  for (int i = 0; i < 300; ++i) entries300 += entry;
  for (int i = 0; i < 60; ++i) refused60 += "x\n";
  const struct {
    std::string text;
    bool cut;  // whether refused lines are left out
  } cases[] = {
      {fill("", "x\n"), true},  // the most refused lines a request holds
      {fill(entries300, "x\n"), true},
      {fill(tab_entry + tab_refused, refused60 + entry), true},
      {fill("", tab_entry), false},
      {fill("", tab_refused), false},
      {entries300 + "x\ny\n", false},
  };
  for (const auto& [text, cut] : cases) {
    RecordingLauncher l;
    const Json a = ask(l, to_json(Json::Object{{"kind", "parse"}, {"text", text}}));
    const std::size_t framed = frame_message(to_json(a)).size();
    EXPECT_LE(framed, kMaxAnswer);
    const MenuLines all = parse_menu_lines(text);
    EXPECT_EQ(a.get("entries")->array()->size(), all.entries.size());
    const Json::Array& refused = *a.get("refused")->array();
    const std::size_t left_out = static_cast<std::size_t>(*a.get("refusedLeftOut")->integer());
    EXPECT_EQ(left_out > 0, cut) << left_out;
    EXPECT_EQ(refused.size() + left_out, all.refused.size());
    for (std::size_t i = 0; i < refused.size(); ++i) EXPECT_EQ(*refused[i].get_string("line"), all.refused[i].line);
    if (left_out > 0) {  // the next one would not have fitted, but for the bytes kept for the count
      const RefusedLine& next = all.refused[refused.size()];
      EXPECT_GT(framed + to_json(Json::Object{{"line", next.line}, {"reason", next.reason}}).size() + 8, kMaxAnswer);
    }
  }
}

TEST(Manifests, WindowsRegistryKeysAndPaths) {
  const std::vector<RegistryPlace> places = registry_places();
  std::vector<std::string> keys;
  for (const RegistryPlace& p : places) keys.push_back(p.key + (p.firefox ? " (firefox)" : ""));
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "Software\\Google\\Chrome\\NativeMessagingHosts\\quotemill",
                      "Software\\Chromium\\NativeMessagingHosts\\quotemill",
                      "Software\\Microsoft\\Edge\\NativeMessagingHosts\\quotemill",
                      "Software\\BraveSoftware\\Brave-Browser\\NativeMessagingHosts\\quotemill",
                      "Software\\Vivaldi\\NativeMessagingHosts\\quotemill",
                      "Software\\Mozilla\\NativeMessagingHosts\\quotemill (firefox)",
                  }));
  // A Windows path in a manifest is JSON: each backslash escaped.
  const std::string m = chromium_manifest("C:\\Quotemill\\quotemill-host.exe");
  EXPECT_NE(m.find(R"("path":"C:\\Quotemill\\quotemill-host.exe")"), std::string::npos) << m;
}

// The command line of `--manifest`: an install names the host it installs with --host.
TEST(Manifests, TheManifestCommandLine) {
  const std::string own = "/build/quotemill-host", installed = "/usr/lib/quotemill/quotemill-host";
  struct Case {
    std::vector<std::string> words;
    std::optional<std::string> want;
  } cases[] = {
      {{"chromium"}, chromium_manifest(own)},
      {{"firefox"}, firefox_manifest(own)},
      {{"chromium", "abcdefghijklmnopabcdefghijklmnop"}, chromium_manifest(own, "abcdefghijklmnopabcdefghijklmnop")},
      {{"chromium", "--host", installed}, chromium_manifest(installed)},
      {{"chromium", "--host", installed, "abcd"}, chromium_manifest(installed, "abcd")},
      {{"chromium", "abcd", "--host", installed}, chromium_manifest(installed, "abcd")},
      {{"firefox", "--host", installed}, firefox_manifest(installed)},
      {{}, std::nullopt},
      {{"opera"}, std::nullopt},
      {{"firefox", "abcd"}, std::nullopt},          // Firefox's manifest names its add-on itself
      {{"chromium", "--host"}, std::nullopt},       // a path must follow
      {{"chromium", "--host", ""}, std::nullopt},
      {{"chromium", "a", "b"}, std::nullopt},
      {{"chromium", "--hots", installed}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(manifest_for(c.words, own), c.want) << ::testing::PrintToString(c.words);
  EXPECT_NE(chromium_manifest(installed).find("\"path\":\"" + installed + "\""), std::string::npos);
}

TEST(Folders, TheWorkersFolderComesFromAbsolutePathsOnly) {
  // Linux: $XDG_CONFIG_HOME/quotemill (a relative one is ignored, as XDG says), else HOME's.
  EXPECT_EQ(posix_worker_folder("/home/u", "cfg").path, "/home/u/.config/quotemill");
  EXPECT_EQ(posix_worker_folder("", "/cfg").path, "/cfg/quotemill");
  EXPECT_NE(posix_worker_folder("home/u", "cfg").problem, "");
  const std::pair<std::string, std::string> windows[] = {
      {"C:\\Users\\u\\AppData\\Roaming", "C:\\Users\\u\\AppData\\Roaming\\Quotemill"},
      {"\\\\server\\share", "\\\\server\\share\\Quotemill"},
      {"", ""}, {"C:", ""}, {"C:AppData", ""}, {"\\AppData", ""}, {"AppData", ""},
  };
  for (const auto& [appdata, want] : windows) {
    const Folder f = windows_worker_folder(appdata);
    EXPECT_EQ(f.path, want) << appdata;
    EXPECT_EQ(f.problem.empty(), !want.empty()) << appdata;
  }
}

}  // namespace
}  // namespace qm::host

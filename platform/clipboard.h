#pragma once
// The two clipboard services of the programs, over one desktop clipboard.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"
#include "text.h"

namespace qm {

// A text as a backend read it: desktop text (UTF-8), or the code page's own bytes where the
// clipboard's owner placed them in a code-page form (Windows' CF_TEXT), which no conversion
// may touch: UTF-8 and back would change them.
struct DesktopText {
  DesktopText(std::string text, bool code_page = false) : text(std::move(text)), code_page(code_page) {}
  std::string text;
  bool code_page;
};

// The forms a write offers. Text: the text alone. TextAndHtml: beside the text, the same
// characters as HTML, which visual editors paste as what it shows while text fields still
// take the text, the source.
enum class Forms : char { Text, TextAndHtml };

// With "0" in this variable a worker offers the text alone: for the editors that should
// never get HTML. The browser companion's helper sets it for an entry whose rich paste is off.
inline constexpr char kRichPasteVariable[] = "QUOTEMILL_RICH";
// Whether the results may offer HTML, from the variable's value (nullopt: unset).
bool rich_paste_allowed(const std::optional<std::string>& setting);

// A desktop clipboard as the services see it: whole texts in the desktop's encoding (UTF-8,
// or the code page's own bytes as DesktopText and code_page_form() say; line breaks as the
// desktop writes them). Every failure throws Error.
class ClipboardBackend {
 public:
  virtual ~ClipboardBackend() = default;
  // Takes the clipboard for a series of reads and writes (on X11: connects to the display).
  virtual void acquire() = 0;
  virtual void release() noexcept = 0;
  // The text on the clipboard, up to its first NUL; nullopt when it holds no text.
  virtual std::optional<DesktopText> read() = 0;
  // Makes the clipboard hold `text` in `forms` and nothing else; with nullopt it holds
  // nothing at all. Where code_page_form() is true, `text` is the programs' text in the code
  // page. The HTML form is the same characters in UTF-8, in the desktop's envelope
  // (html_forms.h).
  virtual void write(const std::optional<std::string>& text, Forms forms) = 0;
  // True where the desktop's programs break lines with a lone LF (X11), so the edge turns
  // line breaks into CR LF and back; Windows breaks lines with CR LF already.
  virtual bool lf_line_breaks() const noexcept { return true; }
  // True where the clipboard keeps a code-page form of its own (Windows' CF_TEXT): the edge
  // writes the programs' text as it is, and the backend makes its other forms from it.
  virtual bool code_page_form() const noexcept { return false; }
};

// A clipboard text as read, with where the code-page conversion of its read wrote numeric
// character references (see from_utf8), which escaping keeps as they are.
struct ReadText {
  Text text;
  std::vector<std::size_t> references = {};
  bool operator==(const ReadText&) const = default;
};

// Converts between the desktop's clipboard text and the programs' text: the code page, and
// the line breaks. A text read with lone LFs and no CR LF of its own is handed over in the
// form of lone LFs (see Text), and written back as it is; one with CR LF of its own has each
// lone LF read as CR LF, and its CR LF kept when written. So a selection round-trips with
// its own line breaks, and a text of the programs (CR LF) is written with LFs unless the
// text read in the same run held CR LF. With `lf_line_breaks` false (a desktop of CR LF)
// only the code page is converted. The code page's own bytes are never converted: neither
// those read as such nor, with `code_page_form`, those written.
class ClipboardTextEdge {
 public:
  explicit ClipboardTextEdge(CodePage cp, bool lf_line_breaks = true, bool code_page_form = false)
      : cp_(std::move(cp)), lf_line_breaks_(lf_line_breaks), code_page_form_(code_page_form) {}
  ReadText from_desktop(DesktopText desktop);
  std::string to_desktop(Text text) const;

 private:
  CodePage cp_;
  bool lf_line_breaks_;
  bool code_page_form_;
  bool keep_crlf_ = false;
};

// The main program's service: opens are counted, and one outer open spans a read and a
// write, so the write replaces exactly what was read.
class CountedClipboard {
 public:
  // Without `rich`, every write offers the text alone.
  CountedClipboard(ClipboardBackend& backend, CodePage cp, bool rich = true)
      : backend_(backend), edge_(std::move(cp), backend.lf_line_breaks(), backend.code_page_form()), rich_(rich) {}
  ~CountedClipboard();
  CountedClipboard(const CountedClipboard&) = delete;
  CountedClipboard& operator=(const CountedClipboard&) = delete;

  // Throws Error "クリップボードを開くことができません" when the clipboard cannot be taken.
  void open();
  // A close with nothing open does nothing.
  void close() noexcept;
  // The empty text when the clipboard holds no text.
  ReadText read_text();
  // An empty text offers no HTML.
  void write_text(Text text, Forms forms = Forms::Text);

  int open_count() const noexcept { return count_; }
  bool emptied() const noexcept { return emptied_; }

 private:
  ClipboardBackend& backend_;
  ClipboardTextEdge edge_;
  bool rich_;
  int count_ = 0;
  bool emptied_ = false;
};

// Keeps a CountedClipboard open for a scope; closes it on every path out.
class ClipboardHold {
 public:
  explicit ClipboardHold(CountedClipboard& clipboard) : clipboard_(clipboard) { clipboard_.open(); }
  ~ClipboardHold() { clipboard_.close(); }
  ClipboardHold(const ClipboardHold&) = delete;
  ClipboardHold& operator=(const ClipboardHold&) = delete;

 private:
  CountedClipboard& clipboard_;
};

// The light worker's service: each read and write takes and releases the clipboard on its
// own, and nothing is ever thrown.
class OneShotClipboard {
 public:
  // Without `rich`, every write offers the text alone.
  OneShotClipboard(ClipboardBackend& backend, CodePage cp, bool rich = true)
      : backend_(backend), edge_(std::move(cp), backend.lf_line_breaks(), backend.code_page_form()), rich_(rich) {}

  // The clipboard text (empty when it holds none), or nullopt when it could not be read.
  std::optional<ReadText> read_text();
  // An empty text leaves the clipboard owned but without any text. False when it failed.
  bool write_text(Text text, Forms forms = Forms::Text);

 private:
  ClipboardBackend& backend_;
  ClipboardTextEdge edge_;
  bool rich_;
};

}  // namespace qm

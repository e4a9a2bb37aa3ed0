#pragma once
// Template choice, user template files and placeholder expansion of quotemill3.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "codepage.h"
#include "message_box.h"
#include "text.h"

namespace qm::lite {

inline constexpr char kLinkTemplate[] = "<a title=\"%t\" %chref=\"%u\">%C</a>";
inline constexpr char kInlineQuoteTemplate[] = "<q title=\"%t\" %ccite=\"%u\">%C</q>";
inline constexpr char kBlockQuoteTemplate[] = "<blockquote title=\"%t\" %ccite=\"%u\"><p>%C</p></blockquote>";
inline constexpr char kBareTextTemplate[] = "%C";

// Reads a whole file by name (relative names against the current directory); nullopt when
// it cannot be read as a template file.
using FileReader = std::function<std::optional<std::string>(const std::string& name)>;
// A template is a regular file of at most this size; a FIFO, a device, a directory or a
// larger file cannot be read (a FIFO would keep the run waiting, a device has no end).
inline constexpr std::size_t kTemplateFileLimit = 16 * 1024 * 1024;
std::optional<std::string> ReadFileFromDisk(const std::string& name);

// A template file's bytes as a template in the code page: a file that begins with the UTF-8
// byte-order mark (as Notepad saves) is UTF-8, converted without its mark, and what the code
// page cannot hold becomes a numeric character reference; any other file is used byte for
// byte. Under UTF-8 nothing changes, the mark included.
std::string TemplateFromFile(std::string bytes, const CodePage& cp);

// The user template (TemplateFromFile). A name's leading backslash is dropped. A file that is
// missing, cannot be read or gives an empty template gives nullopt and the message
// "ファイルが存在しません".
std::optional<std::string> LoadTemplateFile(std::string name, const FileReader& read, const CodePage& cp,
                                            MessageBoxes& boxes);

// Which template a style argument asks for, by the rules of ChooseTemplate. Every one but
// the bare text is HTML, in which the page's text and title are escaped.
enum class TemplateKind { Link, Quotation, User, BareText };
TemplateKind KindOfTemplate(const std::string& style);

// "-a": the link; "-b"/"-q" anywhere in the style: the block quote when the text is longer
// than the threshold, else the inline quote; "-u": the user template named by `second`
// ("user.txt" when that starts with "-" or is "%u"); anything else: the bare text and a
// message. nullopt only when a user template could not be loaded.
std::optional<std::string> ChooseTemplate(const std::string& style, const std::string& second,
                                          std::size_t text_length, const FileReader& read, const CodePage& cp,
                                          MessageBoxes& boxes);

// One pass: %t title, %c class text, %u URL, %U URL rest, %C text, %% a "%", "%" before any
// other byte that byte; a final lone "%" gives nothing. Inserted values are not rescanned.
// The text is taken over, and freed once the result exists.
Text ExpandTemplate(std::string_view tmpl, std::string_view title, std::string_view class_text,
                    std::string_view url, std::string_view url_rest, Text text);

}  // namespace qm::lite

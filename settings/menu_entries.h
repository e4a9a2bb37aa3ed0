#pragma once
// The menu entry generator of the settings window: from the form's ticks and texts to the
// lines of the browser's menu.ini that start quotemill as the quoting worker, each style's
// caption and option taken from the worker's table of styles and written by the grammar of
// menu_line.h. Pure functions over texts in the locale's code page.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"

namespace qm::settings {

// The settings form's number rule: leading blanks (spaces only), an optional sign, then
// decimal digits up to the end (-2147483648 to 2147483647) or "$", "x", "X", "0x", "0X" and
// hexadecimal digits up to the end with a value below 2^32 (80000000 and up are negative;
// a sign before a hexadecimal number is ignored). nullopt for anything else.
std::optional<std::int32_t> read_form_number(std::string_view text);

// The value as the form writes it back: plain decimal, a minus sign when negative.
std::string decimal_text(std::int32_t value);

enum class LineBreak { Keep, Br, BrSlash };  // そのまま, <br>挿入, <br />挿入

// The ticks and texts the generator reads. Texts are in the code page.
struct FormChoices {
  bool a_tag = false;            // CheckBox1
  bool a_target = false;         // CheckBox7
  std::string a_target_text;     // Edit4
  bool q_tag = false;            // CheckBox2
  bool ore_news = false;         // CheckBox3
  bool ore_target = false;       // CheckBox8
  std::string ore_target_text;   // Edit5
  bool blockquote = false;       // CheckBox4
  std::string quote_threshold;   // Edit2
  bool hatena = false;           // hatenad
  LineBreak line_break = LineBreak::Keep;
  bool join_lines = false;       // CheckBox5
  std::string join_threshold;    // Edit1
  bool class_name = false;       // CheckBox6
  std::string class_text;        // Edit3
  bool operator==(const FormChoices&) const = default;
};

// The fields a run may rewrite.
enum class Field { Edit1, Edit2, Edit4, Edit5 };

struct FieldUpdate {
  Field field;
  std::string text;  // code page
  bool operator==(const FieldUpdate&) const = default;
};

// Why a run wrote nothing.
enum class Refusal {
  None,
  BadNumber,        // a number field failed the check or held a negative number
  QuoteInProgram,   // the program path holds a double quote, which no menu line can carry
};

struct GeneratorRun {
  // Field texts to show after the run, in the order the run made them (also when refused:
  // the fields checked before the refusal keep their normalised text).
  std::vector<FieldUpdate> updates;
  Refusal refusal = Refusal::None;
  Field refused_field = Field::Edit1;  // the field to put the focus in, for BadNumber
  std::string lines;                   // the menu lines (code page), when not refused
};

inline constexpr char kConfirmation[] =
    "クリップボードに必要な文字列をコピーしました\r\n"
    "menu.iniのHotclick Popup Menuセクションあたりに貼り付けてください";
inline constexpr char kEnterNumber[] = "数値を入力してください";
inline constexpr char kQuoteInProgram[] =
    "プログラムのパスに \" が含まれているため、menu.iniの行に書くことができません。\r\n"
    "\" を含まない場所にquotemillを置いてください";

// The options every line shares: line-break option, -d=, -c=, then " %u". `join_threshold`
// is written as given (the caller has checked it).
std::string option_tail(LineBreak line_break, const std::optional<std::string>& join_threshold,
                        const std::optional<std::string>& class_text);

// The whole run of the button "生成" up to the clipboard: number checks, "_blank" refills,
// the lines in output order (a tag, q tag, 俺ニュース link, blockquote, heading).
GeneratorRun generate_menu_lines(const FormChoices& choices, std::string_view program_path,
                                 const CodePage& cp);

}  // namespace qm::settings

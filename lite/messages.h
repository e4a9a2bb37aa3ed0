#pragma once
// The texts quotemill3 shows, in UTF-8.

#include <string>

#include "message_box.h"

namespace qm::lite {

// The notice window's caption, which titles every box of the program.
inline constexpr char kNoticeCaption[] = "Quotemill_clip";
inline constexpr char kVersionText[] = " Quotemill Ver3β8\r\n β版につき\r\n いろいろ無保証です。";
inline constexpr char kNotUrlMessage[] = "最後の引数がURLではありません。\r\nmenu.iniの記述を確認してください。";
inline constexpr char kRemovedStyleMessage[] = "ごめんなさい。この機能は削除されました。";
inline constexpr char kNoFileMessage[] = "ファイルが存在しません";
inline constexpr char kNoTitleMessage[] = "エラー!!タイトルがうまく取得できません";

// The program's message box: its caption as title, no icon, one OK button.
inline void ShowNotice(MessageBoxes& boxes, const std::string& utf8_text) {
  boxes.show({kNoticeCaption, utf8_text, BoxIcon::None});
}

}  // namespace qm::lite

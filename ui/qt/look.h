#pragma once
// How the settings windows look: the classic desktop's style, font and icon.

#include <QFont>
#include <QIcon>

class QApplication;

namespace qm::settings {

// The font the windows ask for: "ＭＳ Ｐゴシック" at 12 pixels.
QFont form_font();

// The program's icon (window icon) and its 32 x 32 emblem.
QIcon program_icon();
QPixmap program_emblem();

// Once per process, before the first window: a style whose frames carry their caption on
// the top line (so the fixed layout stays clear of it), the font substitution, the icon.
void apply_look(QApplication& app);

}  // namespace qm::settings

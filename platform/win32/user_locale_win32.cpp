#include <windows.h>

#include "user_locale.h"

namespace qm {

// The system's ANSI code page: the one every "A" function and CF_TEXT use.
CodePage locale_code_page() { return CodePage::from_windows(GetACP()); }

}  // namespace qm

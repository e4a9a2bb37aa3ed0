#pragma once

#include "codepage.h"

namespace qm {

// Takes on the user's character type locale (setlocale) and returns its code page.
CodePage locale_code_page();

}  // namespace qm

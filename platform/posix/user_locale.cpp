#include "user_locale.h"

#include <clocale>
#include <langinfo.h>

namespace qm {

CodePage locale_code_page() {
  // The code page is LC_CTYPE's; taking on the other categories would only cost start-up time.
  std::setlocale(LC_CTYPE, "");
  return CodePage::from_codeset(nl_langinfo(CODESET));
}

}  // namespace qm

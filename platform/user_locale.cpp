#include "user_locale.h"

#include <clocale>
#include <langinfo.h>

namespace qm {

CodePage locale_code_page() {
  std::setlocale(LC_ALL, "");
  return CodePage::from_codeset(nl_langinfo(CODESET));
}

}  // namespace qm

#pragma once
// The worker run of quotemill: the clipboard's text, quoted, back onto the clipboard.

#include "arguments.h"
#include "clipboard.h"
#include "codepage.h"

namespace qm {

// One worker run: holds the clipboard from the read to the write; on any failure the
// clipboard is released unchanged and the Error goes on to the caller. An HTML result is
// offered as HTML too.
void run_worker(const Arguments& args, CountedClipboard& clipboard, const CodePage& cp);

}  // namespace qm

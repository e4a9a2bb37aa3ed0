#pragma once
// The host's conversation with the browser: one answer per framed message, until the
// browser closes the stream.

#include <cstdio>

#include "codepage.h"
#include "messaging.h"
#include "requests.h"

namespace qm::host {

// Answers each message read through `read` on `out`; 0 at the end of the stream, 1 when an
// answer could not be written.
int serve_messages(const ReadSome& read, std::FILE* out, WorkerLauncher& launcher, const CodePage& cp);

}  // namespace qm::host

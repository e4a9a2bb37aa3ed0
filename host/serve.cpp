#include "serve.h"

namespace qm::host {

int serve_messages(const ReadSome& read, std::FILE* out, WorkerLauncher& launcher, const CodePage& cp) {
  for (;;) {
    const Incoming in = read_message(read);
    Json reply;
    switch (in.kind) {
      case Incoming::Kind::End: return 0;
      case Incoming::Kind::Empty: reply = error_answer("The message is empty."); break;
      case Incoming::Kind::TooLarge:
        reply = error_answer("The message is larger than 64 KiB (" + std::to_string(in.length) + " bytes).");
        break;
      case Incoming::Kind::Message: reply = answer(in.text, launcher, cp); break;
    }
    const std::string framed = frame_message(to_json(reply));
    if (std::fwrite(framed.data(), 1, framed.size(), out) != framed.size() || std::fflush(out) != 0) return 1;
  }
}

}  // namespace qm::host

#include "selection_reading.h"

#include <algorithm>
#include <new>

#include "error.h"
#include "text.h"

namespace qm::selection {

void append_growing(std::string& out, std::string_view piece, std::size_t hint) {
  const std::size_t need = out.size() + piece.size();
  if (need > kMaxRead) throw Error(kCannotOpenClipboard);
  if (need > out.capacity()) {
    std::size_t room = need + std::clamp<std::size_t>(out.capacity() / 2, std::size_t{1} << 20, kMaxGrowth);
    if (hint >= need) room = std::min(room, hint);
    std::string bigger = string_with_capacity(room);
    bigger.append(out);
    out.swap(bigger);
  }
  out.append(piece);
}

void reserve_for_text(std::string& out, std::size_t size) {
  if (size > kMaxRead) throw Error(kCannotOpenClipboard);
  std::string room;
  try {
    room = string_with_capacity(size + size / 2 + (std::size_t{64} << 10));
  } catch (const std::bad_alloc&) {
    room = string_with_capacity(size);
  }
  room.append(out);
  out.swap(room);
}

}  // namespace qm::selection

#include "messaging.h"

#include <cstring>

namespace qm::host {
namespace {

// Fills `buffer` whole, however the stream cuts it up; false at an early end.
bool read_exactly(const ReadSome& read, char* buffer, std::size_t size) {
  for (std::size_t got = 0; got < size;) {
    const std::size_t n = read(buffer + got, size - got);
    if (n == 0) return false;
    got += n;
  }
  return true;
}

}  // namespace

Incoming read_message(const ReadSome& read) {
  char header[4];
  if (!read_exactly(read, header, sizeof header)) return {Incoming::Kind::End, {}};
  std::uint32_t length;
  std::memcpy(&length, header, sizeof length);
  if (length == 0) return {Incoming::Kind::Empty, {}};
  if (length > kMaxMessage) {
    char skip[4096];
    for (std::uint32_t left = length; left > 0;) {
      const std::size_t n = left < sizeof skip ? left : sizeof skip;
      if (!read_exactly(read, skip, n)) return {Incoming::Kind::End, {}};
      left -= static_cast<std::uint32_t>(n);
    }
    return {Incoming::Kind::TooLarge, {}, length};
  }
  std::string text(length, '\0');
  if (!read_exactly(read, text.data(), length)) return {Incoming::Kind::End, {}};
  return {Incoming::Kind::Message, std::move(text), length};
}

std::string frame_message(std::string_view json) {
  const auto length = static_cast<std::uint32_t>(json.size());
  std::string out(sizeof length, '\0');
  std::memcpy(out.data(), &length, sizeof length);
  out += json;
  return out;
}

}  // namespace qm::host

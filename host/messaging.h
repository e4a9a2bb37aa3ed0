#pragma once
// Native messaging: each message is its length as a 32-bit number in the machine's byte
// order, then that many bytes of UTF-8 JSON.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qm::host {

// The largest message the host takes; a request is a few lines of menu text at most.
inline constexpr std::size_t kMaxMessage = 64 * 1024;
// The largest answer, framed. Chromium takes messages of up to 1 MiB from a host; the host
// stays under a decimal megabyte, so the bound holds however a browser counts.
inline constexpr std::size_t kMaxAnswer = 1000 * 1000;

// Reads up to `size` bytes into `buffer`; 0 at the end of the stream.
using ReadSome = std::function<std::size_t(char* buffer, std::size_t size)>;

struct Incoming {
  enum class Kind { Message, TooLarge, Empty, End } kind;
  std::string text;  // for Message
  std::uint32_t length = 0;
};

// The next message. One that is too large is read past, so the stream stays in step; a
// stream that ends inside a message ends there.
Incoming read_message(const ReadSome& read);

// The framed form of `json`.
std::string frame_message(std::string_view json);

}  // namespace qm::host

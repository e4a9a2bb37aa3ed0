#pragma once
// What reading a selection from another program may take, on the desktops whose clipboard is
// a transfer between programs (X11, Wayland): the bounds on time and size, and how room for
// the text is made when the owner says its size late, wrongly or not at all.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace qm::selection {

// How long an owner may take to answer, and how long a transfer may stall, before the other
// side is taken for dead. A read ends with "the clipboard cannot be opened" past this size
// or this time: an owner may claim any size, send without end, or drip a byte just often
// enough not to stall.
inline constexpr std::chrono::milliseconds kAnswerTimeout{3000};
inline constexpr std::chrono::milliseconds kStallTimeout{5000};
inline constexpr std::chrono::seconds kReadTimeout{20};
inline constexpr std::size_t kMaxRead = std::size_t{512} << 20;

// Room is made for what has arrived and at most this much more. Without any size told, a
// read starts with this much: pages never written are never resident.
inline constexpr std::size_t kMaxGrowth = std::size_t{64} << 20;

// Appends a piece of a text whose final size is unknown or only claimed: room grows by half,
// but never by more than kMaxGrowth and not past a `hint` that still holds, so that a large
// selection does not need three times its size on the way. Past kMaxRead, the clipboard
// cannot be opened (Error).
void append_growing(std::string& out, std::string_view piece, std::size_t hint = 0);

// Room for a text of `size` bytes and for what the worker adds to it in place (a tag before
// each line break), so the text is never moved to a bigger buffer; where even the room
// cannot be had, the text alone.
void reserve_for_text(std::string& out, std::size_t size);

}  // namespace qm::selection

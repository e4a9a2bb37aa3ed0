#pragma once
// Time limits that one program hands to another in the environment.

#include <chrono>
#include <optional>
#include <string_view>

namespace qm {

// Set by quotemill-host for the workers it starts: how long a worker's boxes may wait for
// OK. Once the host has given up on a worker, nobody would ever answer one.
inline constexpr char kBoxTimeLimitVariable[] = "QUOTEMILL_BOX_TIMEOUT_MS";

// A limit written as a whole number of milliseconds in decimal digits and nothing else,
// from 1 to 2^31 - 1 (what poll() and the Win32 waits take); nullopt for anything else:
// empty, zero, a sign, a blank, a unit or a number too large.
std::optional<std::chrono::milliseconds> read_milliseconds(std::string_view text) noexcept;

}  // namespace qm

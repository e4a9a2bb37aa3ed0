#pragma once
// Reading a file that the user names, such as quotemill3's template.

#include <cstddef>
#include <optional>
#include <string>

namespace qm {

// The whole content of `name` (relative names against the current directory; bytes as POSIX
// takes them, on Windows a text in the ANSI code page) when it is a regular file of at most
// `limit` bytes. Anything else gives nullopt: a name that cannot be opened or read, a
// directory, a FIFO or pipe, a device, a larger file. Opening never waits, and the check is
// made on the file opened, so what is read is what was checked.
std::optional<std::string> read_regular_file(const std::string& name, std::size_t limit);

}  // namespace qm

#pragma once
// The host's own files and folders on Linux. Each function returns the empty text when it
// succeeded, else why not.

#include <string>
#include <sys/types.h>

namespace qm::host {

// Makes `path` and the folders above it that are missing, with `mode` less what the umask
// takes away; a mode that gives others no write permission never makes one that does.
// Fails when `path` is there but no folder.
std::string make_directories(const std::string& path, mode_t mode);

// Puts a file holding `text` with `mode` at `path`: written whole to a new file beside it,
// then renamed into place, so a reader never sees half of it and a symbolic link at `path`
// is replaced, never followed.
std::string replace_file(const std::string& path, const std::string& text, mode_t mode);

}  // namespace qm::host

// Reading and replacing whole files without blocking on what is not a file
// and without replacing what the user pointed at.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/FileResult.h"

namespace q4t {

// A key table is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxTableFileBytes = 1 << 20;

// The whole content of a regular file (through symbolic links). A directory,
// FIFO or device is refused before it is opened, so nothing blocks.
FileResult readRegularFile(const std::string& path, std::string& bytes);

// Whether the system takes path as a file name at all (Windows refuses some
// characters, device names and long paths); the reason when it does not.
FileResult usableFileName(const std::string& path);

// What a file held when the program last read or wrote it, to notice that
// another program changed it since; none when there was no file to read.
using FileContent = std::optional<std::string>;
FileContent currentContent(const std::string& path);

// Gives the file that path names (through symbolic links, which stay) the new
// content. A file with one name is replaced atomically by a temporary file
// beside it that takes the old file's mode and, where allowed, its owner; a
// file with several hard links is rewritten in place so that every name sees
// the new content, after room for it was taken, and gets its old content back
// when a write fails. The reason names the failing step and its cause.
FileResult replaceFileContents(const std::string& path, const std::string& bytes);

}  // namespace q4t

// The steps of saving a file that both systems take alike, on descriptors
// opened through the file calls. Each system gives the failure of a step the
// words of its own last error (fileStepFailure).
#pragma once

#include <string>

#include "model/FileResult.h"

namespace q4t {

// Closes the descriptor when it goes out of scope.
struct OpenFile {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd;
};

// "STEP: the system's reason" for the call that just failed.
FileResult fileStepFailure(const char* step);

// The rest of the file, at most a key table's size.
FileResult readAll(int fd, std::string& bytes);
FileResult writeAll(int fd, const std::string& bytes);

// Every name of a hard-linked file keeps seeing one file: the content is
// rewritten in place after room for it was taken, and a write that fails
// after that puts the old content back.
FileResult writeInPlace(const std::string& target, const std::string& bytes);

}  // namespace q4t

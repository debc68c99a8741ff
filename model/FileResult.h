// The outcome of reading or writing a file, with the cause of a failure.
#pragma once

#include <string>

namespace q4t {

struct FileResult {
  bool ok = true;
  std::string reason;  // a few words when not ok
  explicit operator bool() const { return ok; }
};

inline FileResult fileFailure(std::string reason) { return {false, std::move(reason)}; }

}  // namespace q4t

// The system's own words for a Windows error code, as UTF-8.
#pragma once

#include <string>

namespace q4t {

// "Access is denied." for ERROR_ACCESS_DENIED; the number when Windows has no text.
std::string systemMessage(unsigned long code);

}  // namespace q4t

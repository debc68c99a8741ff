// SHA-256 (FIPS 180-4), for the fingerprint of the table a roll-out writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace q4t {

// The digest as 64 lower-case hex digits.
std::string sha256Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace q4t

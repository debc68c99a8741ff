// How the keyboard answers one request frame when nothing goes wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/Frames.h"
#include "sim/KeyboardState.h"

namespace q4t::sim {

// The fields of a request frame.
inline std::uint8_t UnitOf(const Frame& request) { return request[2]; }
inline std::uint8_t TagOf(const Frame& request) { return request[3]; }
inline std::uint8_t CommandOf(const Frame& request) { return request[4]; }
// The address of a memory request, sent high byte first.
inline std::uint32_t AddressOf(const Frame& request) {
  return static_cast<std::uint32_t>(request[5] << 8 | request[6]);
}

// Why the keyboard leaves the request unanswered, or "" when it understands
// it: a good checksum, a unit that takes the command, and the payload the
// command needs.
std::string RefusalReason(const Frame& request);

// Carries out a request that RefusalReason accepted and builds its reply.
Frame CarryOut(const Frame& request, KeyboardState& state);

// A reply to the request with the given status and no data.
Frame StatusReply(const Frame& request, std::uint8_t status);

// 02, length, unit, tag, status, data, checksum.
Frame BuildReply(std::uint8_t unitNumber, std::uint8_t tagNumber, std::uint8_t statusCode,
                 const std::vector<std::uint8_t>& data);

}  // namespace q4t::sim

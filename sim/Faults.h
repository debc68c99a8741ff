// The faults the virtual keyboard can be told to make, and how each changes
// the answer to one request. Counts go down by one for each request they hit.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/Frames.h"

namespace q4t::sim {

constexpr std::uint8_t kStrayByte = 0x55;
// 10 bits a byte (start, 8 data, stop) at 9600 baud.
constexpr std::chrono::nanoseconds kLineByteTime{1'041'667};
constexpr std::chrono::milliseconds kSplitPause{15};

struct Faults {
  int silentCount = 0;        // requests left unanswered from now on
  bool silentAlways = false;
  std::uint8_t errorStatus = 0;
  int errorCount = 0;         // requests answered with errorStatus, not carried out
  std::vector<std::uint8_t> busyUnits;  // always answered with status 35
  int badChecksumCount = 0;   // replies sent with a wrong checksum
  int strayByteCount = 0;     // replies sent after a stray 0x55
  bool splitReplies = false;  // each reply in three writes, kSplitPause apart
  bool doubleReplies = false; // each reply twice in one write
  std::optional<int> corruptReadBackKey;  // its value reads back one higher
  bool pace = false;          // both directions at kLineByteTime a byte
};

// Takes one silent request from the faults; true when this one goes unanswered.
bool TakeSilence(Faults& faults);

// The status that replaces carrying out the request, if any: 35 for a busy
// unit, otherwise the error status while its count lasts.
std::optional<std::uint8_t> TakeFailureStatus(Faults& faults, const Frame& request);

// Raises the value byte of the chosen key in a reply to a ReadMemory request
// that covers it, with a checksum that fits the changed data.
void CorruptReadBack(const Faults& faults, const Frame& request, Frame& reply);

// The pieces in which the reply goes on the line, one write each.
std::vector<std::vector<std::uint8_t>> WirePieces(Faults& faults, const Frame& reply);

}  // namespace q4t::sim

// A keyboard unplugged after its Download and another plugged in its place,
// for trying a roll-out without the hardware: after the ModeEnd to unit 3
// that ends a Download the keyboard answers nothing for a second, then answers
// as a new keyboard (the factory table, the next serial number), as many
// times as it is told.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "link/Frames.h"
#include "sim/KeyboardState.h"

namespace q4t::sim {

constexpr std::chrono::seconds kUnpluggedTime{1};

class Replacement {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Replacement(int times = 0) : left_(times) {}

  // While away the keyboard answers nothing.
  bool away(Clock::time_point now) const { return now < back_; }
  // Notes a request the keyboard carried out; the ModeEnd that ends a
  // Download swaps the state for the next keyboard's.
  void carriedOut(const Frame& request, KeyboardState& state, Clock::time_point now);
  int left() const { return left_; }

 private:
  int left_;
  bool downloaded_ = false;  // key values written since the last swap
  Clock::time_point back_{};
};

// The next keyboard's serial number: the number that ends serial plus one, as
// wide as before ("Q4T-0099" gives "Q4T-0100"); "-2" added when no digit ends it.
std::string nextSerialNumber(std::string_view serial);

}  // namespace q4t::sim

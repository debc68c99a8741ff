// A Q4T keyboard on a pseudo-terminal: it answers the tool's request frames
// from its own memory image on its own thread, makes the faults it is told to
// make, keeps a log of every request and shows the tool's line settings.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/Frames.h"
#include "sim/Faults.h"
#include "sim/KeyboardState.h"
#include "sim/LineSettings.h"
#include "sim/PseudoTerminal.h"
#include "sim/Replacement.h"

namespace q4t::sim {

using Bytes = std::vector<std::uint8_t>;

// One request and what became of it.
struct Exchange {
  Bytes request;
  Bytes reply;       // every byte sent back, stray bytes and repeats included; empty when unanswered
  std::string note;  // why it went unanswered, or the status sent instead of carrying it out
};

class VirtualKeyboard {
 public:
  // Called on the keyboard's thread after each request has been answered.
  using ExchangeListener = std::function<void(const Exchange&)>;

  explicit VirtualKeyboard(KeyboardState initial = FactoryState());
  VirtualKeyboard(const VirtualKeyboard&) = delete;
  VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;
  ~VirtualKeyboard();

  // Opens the pseudo-terminal, links linkPath to it and starts answering.
  bool start(const std::string& linkPath);
  // Stops answering, removes the link and closes the pseudo-terminal.
  void stop();
  const std::string& lastError() const { return lastError_; }
  const std::string& deviceName() const { return terminal_.slaveName(); }

  KeyboardState state() const;
  void editState(const std::function<void(KeyboardState&)>& edit);
  void setFaults(const Faults& faults);
  Faults faults() const;  // with the counts that are left
  // Replaced by a new keyboard after each of the next times Downloads.
  void setReplacements(int times);
  void setListener(ExchangeListener listener);  // before start

  // Every request frame received, in order, also those left unanswered. A
  // request is logged once its reply has been written.
  std::vector<Bytes> requests() const;
  bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

  LineSettings currentLineSettings() const { return terminal_.lineSettings(); }

 private:
  using Clock = std::chrono::steady_clock;

  void run();
  void receive(Clock::time_point now, bool pace);
  void takeArrivals(Clock::time_point now, bool pace);
  std::optional<timespec> pollTimeout(Clock::time_point now) const;
  void answer(const Frame& request);
  std::vector<Bytes> planReply(const Frame& request, std::string& note);
  void send(const std::vector<Bytes>& pieces, bool pace);
  void writePaced(const Bytes& piece);
  bool paced() const;

  PseudoTerminal terminal_;
  int stopEvent_ = -1;
  std::thread thread_;
  std::string lastError_;

  mutable std::mutex mutex_;
  mutable std::condition_variable requestLogged_;
  KeyboardState state_;
  Faults faults_;
  Replacement replacement_;
  std::vector<Bytes> requests_;
  ExchangeListener listener_;

  // Owned by the keyboard's thread.
  FrameAssembler assembler_;
  std::deque<std::pair<Clock::time_point, std::uint8_t>> onTheLine_;  // paced bytes not yet arrived
};

}  // namespace q4t::sim

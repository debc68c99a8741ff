#include "sim/VirtualKeyboard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "sim/KeyboardResponder.h"

namespace q4t::sim {
namespace {

constexpr std::size_t kReadChunk = 256;

}  // namespace

VirtualKeyboard::VirtualKeyboard(KeyboardState initial) : state_(std::move(initial)) {}

VirtualKeyboard::~VirtualKeyboard() { stop(); }

bool VirtualKeyboard::start(const std::string& linkPath) {
  if (thread_.joinable()) {
    lastError_ = "already running";
    return false;
  }
  if (!terminal_.open() || !terminal_.linkAt(linkPath)) {
    lastError_ = terminal_.lastError();
    terminal_.close();
    return false;
  }
  stopEvent_ = eventfd(0, EFD_CLOEXEC);
  if (stopEvent_ < 0) {
    lastError_ = "eventfd failed";
    terminal_.close();
    return false;
  }
  assembler_.Clear();
  onTheLine_.clear();
  thread_ = std::thread(&VirtualKeyboard::run, this);
  return true;
}

void VirtualKeyboard::stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  if (write(stopEvent_, &one, sizeof one) != sizeof one) lastError_ = "cannot signal the thread";
  thread_.join();
  close(stopEvent_);
  stopEvent_ = -1;
  terminal_.close();
}

KeyboardState VirtualKeyboard::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void VirtualKeyboard::editState(const std::function<void(KeyboardState&)>& edit) {
  std::lock_guard lock(mutex_);
  edit(state_);
}

void VirtualKeyboard::setFaults(const Faults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

void VirtualKeyboard::setReplacements(int times) {
  std::lock_guard lock(mutex_);
  replacement_ = Replacement(times);
}

Faults VirtualKeyboard::faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

void VirtualKeyboard::setListener(ExchangeListener listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

std::vector<Bytes> VirtualKeyboard::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool VirtualKeyboard::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return requestLogged_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool VirtualKeyboard::paced() const {
  std::lock_guard lock(mutex_);
  return faults_.pace;
}

void VirtualKeyboard::run() {
  for (;;) {
    pollfd watched[2] = {{terminal_.master(), POLLIN, 0}, {stopEvent_, POLLIN, 0}};
    const std::optional<timespec> timeout = pollTimeout(Clock::now());
    ppoll(watched, 2, timeout ? &*timeout : nullptr, nullptr);
    if (watched[1].revents != 0) return;
    const bool pace = paced();
    if ((watched[0].revents & POLLIN) != 0) receive(Clock::now(), pace);
    takeArrivals(Clock::now(), pace);
    while (const std::optional<Frame> request = assembler_.NextFrame()) answer(*request);
  }
}

// Paced bytes follow each other on the line, each kLineByteTime after the one
// before, starting no earlier than the moment they are read.
void VirtualKeyboard::receive(Clock::time_point now, bool pace) {
  std::uint8_t buffer[kReadChunk];
  const std::size_t count = terminal_.readAvailable(buffer, sizeof buffer);
  if (!pace) {
    assembler_.Append(buffer, count);
    return;
  }
  Clock::time_point arrival = onTheLine_.empty() ? now : std::max(now, onTheLine_.back().first);
  for (std::size_t i = 0; i < count; ++i) {
    arrival += kLineByteTime;
    onTheLine_.emplace_back(arrival, buffer[i]);
  }
}

void VirtualKeyboard::takeArrivals(Clock::time_point now, bool pace) {
  while (!onTheLine_.empty() && (!pace || onTheLine_.front().first <= now)) {
    assembler_.Append(&onTheLine_.front().second, 1);
    onTheLine_.pop_front();
  }
}

// To the nanosecond: a wait rounded up to whole milliseconds would hold each
// paced request back by up to a millisecond more than the line does.
std::optional<timespec> VirtualKeyboard::pollTimeout(Clock::time_point now) const {
  if (onTheLine_.empty()) return std::nullopt;
  const auto wait = std::max(std::chrono::nanoseconds(0),
                             std::chrono::duration_cast<std::chrono::nanoseconds>(onTheLine_.front().first - now));
  return timespec{static_cast<time_t>(wait.count() / 1'000'000'000), static_cast<long>(wait.count() % 1'000'000'000)};
}

void VirtualKeyboard::answer(const Frame& request) {
  Exchange exchange{request.toVector(), {}, {}};
  const std::vector<Bytes> pieces = planReply(request, exchange.note);
  send(pieces, paced());
  for (const Bytes& piece : pieces) exchange.reply.insert(exchange.reply.end(), piece.begin(), piece.end());
  ExchangeListener listener;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(exchange.request);
    listener = listener_;
  }
  requestLogged_.notify_all();
  if (listener) listener(exchange);
}

std::vector<Bytes> VirtualKeyboard::planReply(const Frame& request, std::string& note) {
  std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  if (replacement_.away(now)) {
    note = "no answer: unplugged";
    return {};
  }
  const std::string refusal = RefusalReason(request);
  if (!refusal.empty()) {
    note = "no answer: " + refusal;
    return {};
  }
  if (TakeSilence(faults_)) {
    note = "no answer: silent";
    return {};
  }
  Frame reply;
  if (const std::optional<std::uint8_t> failure = TakeFailureStatus(faults_, request)) {
    note = "status " + std::to_string(*failure) + " instead of carrying it out";
    reply = StatusReply(request, *failure);
  } else {
    reply = CarryOut(request, state_);
    CorruptReadBack(faults_, request, reply);
    replacement_.carriedOut(request, state_, now);
  }
  return WirePieces(faults_, reply);
}

void VirtualKeyboard::send(const std::vector<Bytes>& pieces, bool pace) {
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) std::this_thread::sleep_for(kSplitPause);
    if (pace) {
      writePaced(pieces[i]);
    } else {
      terminal_.writeAll(pieces[i].data(), pieces[i].size());
    }
  }
}

void VirtualKeyboard::writePaced(const Bytes& piece) {
  const Clock::time_point start = Clock::now();
  for (std::size_t i = 0; i < piece.size(); ++i) {
    std::this_thread::sleep_until(start + kLineByteTime * static_cast<long>(i + 1));
    terminal_.writeAll(&piece[i], 1);
  }
}

}  // namespace q4t::sim

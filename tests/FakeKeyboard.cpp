#include "tests/FakeKeyboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace q4t::testing {

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char two[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(two, sizeof two, "%02X", byte);
    if (!text.empty()) text += ' ';
    text += two;
  }
  return text;
}

std::string hex(const Frame& frame) { return hex(frame.toVector()); }

FakeKeyboard::FakeKeyboard() {
  for (int k = 0; k < kKeyCount; ++k) memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(k + 1);
  for (std::size_t j = 0; j < area::KeySizeBytes; ++j) memory[area::KeySizes + j] = 0x11;
  for (std::size_t i = 0; i < area::TcoOwnerBytes; ++i) memory[area::TcoOwners + i] = 144;
  for (std::uint32_t c = 0; c < counters.size(); ++c) counters[c] = 1000 + c;
}

std::vector<std::string> FakeKeyboard::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void FakeKeyboard::clearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

std::vector<std::uint8_t> FakeKeyboard::Reply(const Frame& request, std::uint8_t status,
                                              const std::vector<std::uint8_t>& data) const {
  std::vector<std::uint8_t> reply(data.size() + 6, 0);
  reply[0] = kFrameStart;
  reply[1] = static_cast<std::uint8_t>(reply.size());
  reply[2] = request[2];
  reply[3] = request[3];
  reply[4] = status;
  std::copy(data.begin(), data.end(), reply.begin() + 5);
  reply.back() = Checksum(reply.data(), reply.size());
  return reply;
}

// The data of the answer; memory writes are carried out here.
std::vector<std::uint8_t> FakeKeyboard::Data(const Frame& request) {
  const std::uint8_t unitNumber = request[2], commandCode = request[4];
  if (unitNumber == unit::Details) return {details.begin(), details.end()};
  if (unitNumber != unit::Memory) return {};
  const std::size_t address = static_cast<std::size_t>(request[5] << 8 | request[6]);
  if (commandCode == command::ReadMemory)
    return {memory.begin() + static_cast<std::ptrdiff_t>(address),
            memory.begin() + static_cast<std::ptrdiff_t>(address + request[7])};
  if (commandCode == command::WriteMemory)
    for (std::size_t i = 7; i + 1 < request.size; ++i) memory[address + i - 7] = request[i];
  if (commandCode != command::Query) return {};
  std::vector<std::uint8_t> data = {0};
  for (std::uint32_t reading : counters)
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<std::uint8_t>(reading >> shift));
  return data;
}

std::vector<std::uint8_t> FakeKeyboard::Answer(const Frame& request) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(hex(request));
  }
  if (!ChecksumOk(request)) return {};
  if (silentFor > 0) {
    --silentFor;
    return {};
  }
  std::vector<std::uint8_t> reply;
  if (errorCount > 0) {
    --errorCount;
    reply = Reply(request, errorStatus, {});
  } else if (busyUnits.count(request[2]) != 0) {
    reply = Reply(request, status::Busy, {});
  } else {
    reply = Reply(request, status::Ok, Data(request));
  }
  if (tamper) tamper(request, reply);
  if (doubleReplies) reply.insert(reply.end(), reply.begin(), reply.end());
  return reply;
}

FakePort::FakePort(FakeKeyboard& keyboard) : keyboard_(keyboard) {
  if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) pipe_[0] = pipe_[1] = -1;
}

FakePort::~FakePort() {
  for (int fd : pipe_)
    if (fd >= 0) ::close(fd);
}

bool FakePort::Open(int portNumber) {
  openedPorts.push_back(portNumber);
  open_ = portNumber >= 1;
  return open_;
}

bool FakePort::OpenPath(const std::string&) { return false; }

bool FakePort::Close() {
  open_ = false;
  return true;
}

std::size_t FakePort::Read(std::uint8_t* buffer, std::size_t max) {
  const ssize_t n = ::read(pipe_[0], buffer, max);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool FakePort::Write(const std::uint8_t* bytes, std::size_t n) {
  Frame request;
  request.size = std::min(n, request.bytes.size());
  std::copy(bytes, bytes + request.size, request.bytes.begin());
  const std::vector<std::uint8_t> reply = keyboard_.Answer(request);
  if (!reply.empty() && keyboard_.holdReplies > 0) {
    --keyboard_.holdReplies;
    held_.insert(held_.end(), reply.begin(), reply.end());
    return true;
  }
  const bool written = reply.empty() || ::write(pipe_[1], reply.data(), reply.size()) >= 0;
  if (!reply.empty() && std::exchange(keyboard_.lastReply, false)) HangUp();
  return written;
}

void FakePort::ReleaseHeld() {
  if (!held_.empty() && ::write(pipe_[1], held_.data(), held_.size()) < 0) ADD_FAILURE() << "no late reply";
  held_.clear();
}

bool FakePort::HasUnread() const {
  int bytes = 0;
  return open_ && pipe_[0] >= 0 && ::ioctl(pipe_[0], FIONREAD, &bytes) == 0 && bytes > 0;
}

void FakePort::HangUp() {
  ::close(pipe_[1]);
  pipe_[1] = -1;
}

void FakeWindow::PostToWindow(const LinkPost& post) {
  std::unique_lock lock(mutex_);
  queue_.push_back(post);
  const unsigned number = ++postsQueued_;
  posted_.notify_one();
  if (lockstep && post.receiverRun != 0)
    handled_.wait_for(lock, std::chrono::seconds(2), [&] { return postsHandled_ >= number; });
}

bool FakeWindow::StartTimer(int, int) {
  timerRunning = true;
  ++timerStarts;
  return true;
}

void FakeWindow::StopTimer(int) { timerRunning = false; }

void FakeWindow::Pump(KeyboardLink& link) {
  constexpr auto kQuiet = std::chrono::milliseconds(150);
  constexpr auto kLongestWaitForUnread = std::chrono::seconds(3);  // a receive thread held back by a loaded machine
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  auto lastEvent = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < giveUp) {
    std::unique_lock lock(mutex_);
    if (!posted_.wait_for(lock, kQuiet, [this] { return !queue_.empty(); })) {
      const bool unread = replyUnread && replyUnread();
      if (unread && std::chrono::steady_clock::now() - lastEvent < kLongestWaitForUnread) continue;
      return;
    }
    lastEvent = std::chrono::steady_clock::now();
    if (pairedReplies && queue_.front().receiverRun != 0)
      posted_.wait_for(lock, std::chrono::seconds(2), [this] { return receiverPosts() >= 2; });
    const LinkPost post = queue_.front();
    queue_.pop_front();
    lock.unlock();
    link.HandlePost(post);
    lock.lock();
    ++postsHandled_;
    handled_.notify_all();
  }
  ADD_FAILURE() << "the link's events never stopped";
}

std::size_t FakeWindow::receiverPosts() const {
  return static_cast<std::size_t>(
      std::count_if(queue_.begin(), queue_.end(), [](const LinkPost& post) { return post.receiverRun != 0; }));
}

bool FakeWindow::WaitForPost(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

void FakeWindow::ExpireTimer(KeyboardLink& link) {
  if (timerRunning) link.OnReplyTimer();
}

}  // namespace q4t::testing

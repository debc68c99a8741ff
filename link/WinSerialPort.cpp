#include "link/WinSerialPort.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

#include "link/ComSettings.h"
#include "model/WinSystemText.h"

namespace q4t {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kReadGuardMs = 1000;  // far beyond the read time-out
constexpr auto kShortestEmptyRead = std::chrono::milliseconds(5);  // sooner: the port did not wait
constexpr Clock::duration kReadLimit = std::chrono::milliseconds(10);  // the read time-out
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

void applyLine(DCB& line) {
  const ComLineSettings wanted = comLineSettings();
  line.BaudRate = wanted.baudRate;
  line.ByteSize = wanted.byteSize;
  line.Parity = wanted.parity;
  line.StopBits = wanted.stopBits;
  line.fBinary = wanted.binary;
  line.fParity = wanted.parityCheck;
  line.fOutxCtsFlow = wanted.ctsFlow;
  line.fOutxDsrFlow = wanted.dsrFlow;
  line.fDsrSensitivity = wanted.dsrSensitivity;
  line.fOutX = wanted.xonXoffOut;
  line.fInX = wanted.xonXoffIn;
  line.fAbortOnError = wanted.abortOnError;
  line.fDtrControl = wanted.dtrControl;
  line.fRtsControl = wanted.rtsControl;
  line.fNull = FALSE;
  line.fErrorChar = FALSE;
}

COMMTIMEOUTS timeoutsOf(const ComTimeouts& wanted) {
  return {wanted.readInterval, wanted.readMultiplier, wanted.readConstant, wanted.writeMultiplier,
          wanted.writeConstant};
}

// Ready for a new call: only its event is kept, not signalled.
OVERLAPPED& fresh(OVERLAPPED& call) {
  const HANDLE event = call.hEvent;
  call = OVERLAPPED{};
  call.hEvent = event;
  ResetEvent(event);
  return call;
}

}  // namespace

CSerialPort::CSerialPort(WinSerialSystem& system) : system_(system) {
  for (OVERLAPPED* call : {&readCall_, &writeCall_})
    call->hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset
}

CSerialPort::~CSerialPort() {
  Close();
  for (OVERLAPPED* call : {&readCall_, &writeCall_}) CloseHandle(call->hEvent);
}

bool CSerialPort::Create() {
  Close();
  lastError_.clear();
  return true;
}

bool CSerialPort::Open(int portNumber) {
  const std::string name = "COM" + std::to_string(portNumber);
  const std::wstring device = ComDeviceName(portNumber);
  if (device.empty()) {
    lastError_ = name + ": no such port";
    return false;
  }
  return openDevice(device, name);
}

bool CSerialPort::OpenPath(const std::string& path) {
  lastError_ = path + ": no such port; Windows names its ports COM1 to COM" + std::to_string(kHighestComPort);
  return false;
}

bool CSerialPort::openDevice(const std::wstring& device, const std::string& name) {
  open_ = false;
  std::unique_lock lock(deviceMutex_);
  if (handle_ != INVALID_HANDLE_VALUE) closeDevice();
  handle_ = system_.Open(device.c_str());
  DWORD cause = handle_ == INVALID_HANDLE_VALUE ? system_.LastError() : configure();
  if (cause != 0) {
    if (handle_ != INVALID_HANDLE_VALUE) system_.Close(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    lastError_ = name + ": " + systemMessage(cause);
    if (cause == ERROR_ACCESS_DENIED || cause == ERROR_SHARING_VIOLATION)
      lastError_ += " (another program may be using the port)";
    return false;
  }
  lastError_.clear();
  open_ = true;
  return true;
}

// Nothing left over from before, then the line and the time-outs.
DWORD CSerialPort::configure() {
  DCB line{};
  line.DCBlength = sizeof line;
  COMMTIMEOUTS timeouts = timeoutsOf(comTimeouts());
  if (!system_.Purge(handle_, kPurgeAll) || !system_.GetState(handle_, &line)) return system_.LastError();
  applyLine(line);
  if (!system_.SetState(handle_, &line) || !system_.SetTimeouts(handle_, &timeouts)) return system_.LastError();
  return 0;
}

bool CSerialPort::Close() {
  open_ = false;
  std::unique_lock lock(deviceMutex_);
  if (handle_ != INVALID_HANDLE_VALUE) closeDevice();
  return true;
}

// DTR down and the queues emptied, as the POSIX port does; an adapter that
// is gone refuses both, which changes nothing.
void CSerialPort::closeDevice() {
  earlyCount_ = 0;
  system_.Escape(handle_, CLRDTR);
  system_.Purge(handle_, kPurgeAll);
  system_.Close(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

// Arrived with the count queued, HungUp when the port no longer answers
// (a USB adapter pulled out), else Quiet.
PortWait CSerialPort::queueState(DWORD* queued) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!open_) return PortWait::Quiet;
  if (!system_.ClearError(handle_, &errors, &status)) return PortWait::HungUp;
  if (queued != nullptr) *queued = status.cbInQue;
  return status.cbInQue > 0 ? PortWait::Arrived : PortWait::Quiet;
}

// The byte a waiting read brought goes first, then what is queued.
std::size_t CSerialPort::Read(std::uint8_t* buffer, std::size_t max) {
  std::shared_lock lock(deviceMutex_);
  std::unique_lock reading(readingMutex_, std::try_to_lock);
  if (!reading.owns_lock()) {
    readWanted_ = true;
    system_.Cancel(handle_);  // ends a read that already waits
    reading.lock();
    readWanted_ = false;
  }
  if (max == 0) return 0;
  const std::size_t early = earlyCount_;
  if (early > 0) buffer[0] = early_;
  earlyCount_ = 0;
  const bool waitedEmpty = std::exchange(waitedEmpty_, false);
  DWORD queued = 0;
  if (early == max || waitedEmpty || queueState(&queued) != PortWait::Arrived) return early;
  DWORD read = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(max - early, queued));
  const BOOL done = system_.Read(handle_, buffer + early, wanted, &read, &fresh(readCall_));
  return early + (finish(done, readCall_, read) ? read : 0);
}

// The write time-out of the port bounds the call.
bool CSerialPort::Write(const std::uint8_t* bytes, std::size_t n) {
  std::shared_lock lock(deviceMutex_);
  if (!open_) return false;
  DWORD written = 0;
  const BOOL done = system_.Write(handle_, bytes, static_cast<DWORD>(n), &written, &fresh(writeCall_));
  return finish(done, writeCall_, written) && written == n;
}

bool CSerialPort::finish(BOOL done, OVERLAPPED& call, DWORD& count) {
  if (done) return true;
  return system_.LastError() == ERROR_IO_PENDING && system_.Result(handle_, &call, &count, TRUE);
}

// Waiting is a read of one byte, which the port's read time-out ends after
// 10 ms: it returns as soon as a byte arrives, and Read hands that byte out
// first. A port that is gone refuses the read, or ends it at once empty and
// then fails to tell its queue. Without time to wait, only the queue is asked.
PortWait CSerialPort::WaitForBytes(const StopEvent* stop, int ms) {
  std::shared_lock lock(deviceMutex_);
  std::lock_guard reading(readingMutex_);
  const bool stopped = stop != nullptr && (ms <= 0 || earlyCount_ > 0) && stop->Wait(0) == PortWait::Stopped;
  if (stopped) return PortWait::Stopped;
  if (earlyCount_ > 0) return PortWait::Arrived;
  if (ms <= 0 || !open_) return queueState(nullptr);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const Clock::time_point start = Clock::now();
    const PortWait read = readEarly(stop);
    if (read != PortWait::Quiet || readWanted_) return read;
    const Clock::time_point now = Clock::now();
    if (now - start < kShortestEmptyRead) {
      const PortWait nap = napInstead(stop, deadline - now);
      if (nap != PortWait::Quiet) return nap;
    }
    waitedEmpty_ = true;
    if (Clock::now() >= deadline) return PortWait::Quiet;
  }
}

// A read that ended empty without waiting: a port that is gone (HungUp), or
// one that does not keep the read time-out, for which the wait is slept out
// here, so that the thread never spins.
PortWait CSerialPort::napInstead(const StopEvent* stop, Clock::duration left) {
  if (queueState(nullptr) == PortWait::HungUp) return PortWait::HungUp;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(left, kReadLimit));
  if (ms.count() <= 0) return PortWait::Quiet;
  if (stop != nullptr) return stop->Wait(static_cast<int>(ms.count()));
  Sleep(static_cast<DWORD>(ms.count()));
  return PortWait::Quiet;
}

// Arrived with the byte, Quiet when the time-out ended it empty, Stopped,
// or HungUp when the port refused it.
PortWait CSerialPort::readEarly(const StopEvent* stop) {
  earlyCount_ = 0;
  waitedEmpty_ = false;
  if (readWanted_) return PortWait::Quiet;
  const BOOL done = system_.Read(handle_, &early_, 1, &earlyCount_, &fresh(readCall_));
  if (!done && system_.LastError() != ERROR_IO_PENDING) return PortWait::HungUp;
  bool stopped = false;
  if (done) {  // bytes were queued, or the port did not wait: the stop is asked here
    stopped = stop != nullptr && stop->Wait(0) == PortWait::Stopped;
  } else {
    if (readWanted_) system_.Cancel(handle_);  // a reader came between the look and the read
    const HANDLE events[2] = {readCall_.hEvent, stop != nullptr ? reinterpret_cast<HANDLE>(stop->Native()) : nullptr};
    const DWORD woken = WaitForMultipleObjects(stop != nullptr ? 2 : 1, events, FALSE, kReadGuardMs);
    if (woken != WAIT_OBJECT_0) system_.Cancel(handle_);  // stopped, or a read that outlives its time-out
    if (!system_.Result(handle_, &readCall_, &earlyCount_, TRUE)) earlyCount_ = 0;  // cancelled empty
    stopped = woken == WAIT_OBJECT_0 + 1;
  }
  if (stopped) return PortWait::Stopped;
  return earlyCount_ > 0 ? PortWait::Arrived : PortWait::Quiet;
}

}  // namespace q4t

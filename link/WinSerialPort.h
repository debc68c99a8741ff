// The process's serial port on Windows: \\.\COMn at 9600 baud 8N1 without
// flow control, not shared with other programs, reads that return at once.
// Port names, messages and the link's view of it are as on POSIX systems.
// Its calls are overlapped, so that the receive thread's waiting read never
// holds up the window thread's writes.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <shared_mutex>
#include <string>

#include <windows.h>

#include "link/PortDevice.h"
#include "link/PortNames.h"
#include "link/WinSerialSystem.h"

namespace q4t {

class CSerialPort : public PortDevice {
 public:
  explicit CSerialPort(WinSerialSystem& system = RealWinSerialSystem());
  ~CSerialPort() override;

  bool Create();
  bool Open(int portNumber) override;
  bool OpenPath(const std::string& path) override;  // Windows has no port paths: refused
  bool Close() override;
  bool IsOpen() const override { return open_.load(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override;
  bool Write(const std::uint8_t* bytes, std::size_t n) override;
  int PollHandle() const override { return -1; }
  // Wakes when a byte arrives, on the stop event, or after ms.
  PortWait WaitForBytes(const StopEvent* stop, int ms) override;
  std::string LastError() const override { return lastError_; }

 private:
  bool openDevice(const std::wstring& device, const std::string& name);
  DWORD configure();  // 0 or the error code
  void closeDevice();
  PortWait queueState(DWORD* queued);
  PortWait readEarly(const StopEvent* stop);
  PortWait napInstead(const StopEvent* stop, std::chrono::steady_clock::duration left);
  bool finish(BOOL done, OVERLAPPED& call, DWORD& count);  // the overlapped call's end

  WinSerialSystem& system_;
  // Read, Write and the waits hold it shared, Open and Close exclusively.
  mutable std::shared_mutex deviceMutex_;
  // Two windows' receive threads may meet at the port when the sender
  // changes: one read, and the byte it brought, at a time.
  std::mutex readingMutex_;
  // Another thread waits to read (the link throws away what is queued before
  // each request): a waiting read gives way at once instead of running out
  // its time, which would hold each request back by up to 10 ms.
  std::atomic<bool> readWanted_{false};
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> open_{false};
  std::string lastError_;
  // One for each kind of call, so that the threads never share one.
  OVERLAPPED readCall_{};
  OVERLAPPED writeCall_{};
  // The byte a waiting read brought (count 1) until Read hands it out.
  std::uint8_t early_ = 0;
  DWORD earlyCount_ = 0;
  // The last wait read nothing to its end: the next Read need not ask the
  // queue, which the next waiting read looks at anyway. Saves a call a cycle.
  bool waitedEmpty_ = false;
};

}  // namespace q4t

// The process's serial port on Windows: \\.\COMn at 9600 baud 8N1 without
// flow control, not shared with other programs, reads that return at once.
// Port names, messages and the link's view of it are as on POSIX systems.
#pragma once

#include <atomic>
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
  // Wakes when bytes are queued or every 10 ms to look, and on the stop event.
  PortWait WaitForBytes(const StopEvent* stop, int ms) override;
  std::string LastError() const override { return lastError_; }

 private:
  bool openDevice(const std::wstring& device, const std::string& name);
  DWORD configure();  // 0 or the error code
  void closeDevice();
  PortWait queueState(DWORD* queued);

  WinSerialSystem& system_;
  // Read, Write and the waits hold it shared, Open and Close exclusively.
  mutable std::shared_mutex deviceMutex_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> open_{false};
  std::string lastError_;
};

}  // namespace q4t

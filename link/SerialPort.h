// The process's serial port on the POSIX serial interface: 9600 baud, 8 data
// bits, no parity, one stop bit, raw, exclusive.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <shared_mutex>
#include <string>

#include "link/PortDevice.h"
#include "link/PortNames.h"
#include "link/SerialSystem.h"

namespace q4t {

class CSerialPort : public PortDevice {
 public:
  explicit CSerialPort(SerialSystem& system = RealSerialSystem());
  ~CSerialPort() override;

  bool Create();
  void Destroy();
  bool Open(int portNumber) override;
  bool OpenPath(const std::string& path) override;
  bool Configure();
  bool Close() override;
  bool IsOpen() const override { return open_.load(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override;
  bool Write(const std::uint8_t* bytes, std::size_t n) override;
  int PollHandle() const override { return handle_; }
  std::string LastError() const override { return lastError_; }
  bool LastOpenDenied() const override { return lastCause_ == EACCES || lastCause_ == EPERM; }

  static constexpr unsigned kBaudRate = 9600;
  static constexpr unsigned kByteSize = 8;
  static constexpr unsigned kParity = 0;    // none
  static constexpr unsigned kStopBits = 0;  // one stop bit
  static constexpr unsigned kWriteMsPerByte = 19200 / kBaudRate;  // write time-out

 private:
  int lockDevice();  // 0 or the error number
  bool configureLine();
  void closeDevice();
  bool failOpen(const std::string& device, int cause);
  bool waitWritable(std::chrono::steady_clock::time_point deadline);

  SerialSystem& system_;
  // Read and Write hold it shared, Open and Close exclusively, so that a
  // receive thread never reads a descriptor that is being closed.
  mutable std::shared_mutex deviceMutex_;
  std::atomic<int> handle_{-1};
  std::atomic<bool> open_{false};
  std::string lastError_;
  int lastCause_ = 0;  // the error number of the last failed open
};

// Port n is $Q4T_PORT_DIR/COM<n> when that entry exists, otherwise /dev/ttyS<n-1>.
// Empty for numbers below 1.
std::string DevicePathForPort(int portNumber);

}  // namespace q4t

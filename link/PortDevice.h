// What the link needs of a serial port. CSerialPort is the real one; tests
// put an in-memory keyboard behind the same interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/StopEvent.h"

namespace q4t {

class PortDevice {
 public:
  virtual ~PortDevice() = default;

  virtual bool Open(int portNumber) = 0;             // COM port number, 1 and up
  virtual bool OpenPath(const std::string& path) = 0;  // a device path
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;  // safe to ask from any thread

  // Only the bytes already received, at most max; never waits.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t max) = 0;
  // The whole frame; true when all bytes were written.
  virtual bool Write(const std::uint8_t* bytes, std::size_t n) = 0;

  // A descriptor that polls readable when bytes have arrived, or -1.
  virtual int PollHandle() const = 0;

  // Waits at most ms for bytes, a hang-up or, when given, the stop event.
  // By default through PollHandle on POSIX systems; without one, only the
  // stop event (or the time) ends the wait.
  virtual PortWait WaitForBytes(const StopEvent* stop, int ms);

  // The device and the cause of the last failed open, for messages.
  virtual std::string LastError() const = 0;
  // The last open failed for want of permission: the user is not in the
  // group that owns serial devices.
  virtual bool LastOpenDenied() const { return false; }
};

}  // namespace q4t

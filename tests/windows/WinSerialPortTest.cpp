// The Windows serial port through its seam: what it asks of Windows when it
// opens, reads, waits and closes, and what it makes of Windows' answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/WinSerialPort.h"

namespace q4t {
namespace {

HANDLE const kPort = reinterpret_cast<HANDLE>(0x40);

struct RecordingSystem : WinSerialSystem {
  HANDLE Open(const wchar_t* device) override {
    calls.push_back("open");
    opened = device;
    if (openError != 0) return INVALID_HANDLE_VALUE;
    return kPort;
  }
  BOOL Close(HANDLE) override { return note("close"); }
  BOOL GetState(HANDLE, DCB* line) override {
    *line = DCB{};
    line->DCBlength = sizeof(DCB);
    line->fOutxCtsFlow = line->fOutX = line->fInX = line->fParity = TRUE;  // as another program left it
    line->BaudRate = 115200;
    return note("get state");
  }
  BOOL SetState(HANDLE, DCB* line) override {
    set = *line;
    return note("set state");
  }
  BOOL SetTimeouts(HANDLE, COMMTIMEOUTS* timeouts) override {
    setTimeouts = *timeouts;
    return note("set timeouts");
  }
  BOOL Purge(HANDLE, DWORD what) override {
    purged = what;
    return note("purge");
  }
  BOOL ClearError(HANDLE, DWORD* errors, COMSTAT* status) override {
    *errors = 0;
    *status = COMSTAT{};
    status->cbInQue = queued.load();
    return !gone;
  }
  BOOL Escape(HANDLE, DWORD function) override { return note(function == CLRDTR ? "clear dtr" : "escape"); }
  // A read of what is queued, or of one byte that waits out the 10 ms read
  // time-out when nothing is.
  BOOL Read(HANDLE, void* buffer, DWORD n, DWORD* read, OVERLAPPED*) override {
    if (readRefused) {
      lastError = ERROR_ACCESS_DENIED;
      return FALSE;
    }
    reads.push_back(n);
    if (gone) {  // an adapter that is gone ends every read at once, empty
      *read = 0;
      return TRUE;
    }
    if (queued == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    *read = std::min(n, queued.load());
    std::memset(buffer, 0x55, *read);
    queued -= *read;
    return TRUE;
  }
  BOOL Write(HANDLE, const void*, DWORD n, DWORD* written, OVERLAPPED* call) override {
    if (writesPending) {  // Windows finishes it later; the port waits for the result
      pendingWrite = n - shortWrite;
      lastError = ERROR_IO_PENDING;
      return FALSE;
    }
    *written = n - shortWrite;
    return call != nullptr;
  }
  BOOL Result(HANDLE, OVERLAPPED*, DWORD* count, BOOL) override {
    *count = pendingWrite;
    return TRUE;
  }
  BOOL Cancel(HANDLE) override { return note("cancel"); }
  DWORD LastError() override { return openError != 0 ? openError : lastError; }

  BOOL note(const char* call) {
    calls.push_back(call);
    return TRUE;
  }

  std::vector<std::string> calls;
  std::wstring opened;
  DWORD openError = 0;
  DCB set{};
  COMMTIMEOUTS setTimeouts{};
  DWORD purged = 0;
  std::atomic<DWORD> queued{0};
  std::vector<DWORD> reads;
  DWORD shortWrite = 0;
  std::atomic<bool> gone{false};
  bool readRefused = false;
  bool writesPending = false;
  DWORD pendingWrite = 0;
  DWORD lastError = 0;
};

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

TEST(WinSerialPort, OpensTheComDeviceEmptiedAt9600EightNoneOneWithoutFlowControl) {
  RecordingSystem system;
  CSerialPort port(system);
  ASSERT_TRUE(port.Open(12));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(system.opened, L"\\\\.\\COM12");
  EXPECT_EQ(system.calls, (std::vector<std::string>{"open", "purge", "get state", "set state", "set timeouts"}));
  EXPECT_EQ(system.purged, kPurgeAll);
  EXPECT_EQ(system.set.BaudRate, 9600u);
  EXPECT_EQ(system.set.ByteSize, 8);
  EXPECT_EQ(system.set.Parity, NOPARITY);
  EXPECT_EQ(system.set.StopBits, ONESTOPBIT);
  EXPECT_TRUE(system.set.fBinary);
  EXPECT_FALSE(system.set.fParity);
  EXPECT_FALSE(system.set.fOutxCtsFlow || system.set.fOutxDsrFlow || system.set.fOutX || system.set.fInX);
  EXPECT_EQ(system.set.fDtrControl, DTR_CONTROL_ENABLE);
  EXPECT_EQ(system.set.fRtsControl, RTS_CONTROL_ENABLE);
  EXPECT_EQ(system.setTimeouts.ReadIntervalTimeout, 0u);
  EXPECT_EQ(system.setTimeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(system.setTimeouts.ReadTotalTimeoutConstant, 10u);
  EXPECT_EQ(system.setTimeouts.WriteTotalTimeoutMultiplier, 2u);

  system.calls.clear();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(system.calls, (std::vector<std::string>{"clear dtr", "purge", "close"}));
}

TEST(WinSerialPort, RefusedOpensSayWhichPortAndWhy) {
  struct Case {
    int number;
    DWORD error;
    const char* message;
  };
  const Case cases[] = {
      {0, 0, "COM0: no such port"},
      {257, 0, "COM257: no such port"},
      {7, ERROR_FILE_NOT_FOUND, "COM7: "},
      {3, ERROR_ACCESS_DENIED, "(another program may be using the port)"},
  };
  for (const Case& c : cases) {
    RecordingSystem system;
    system.openError = c.error;
    CSerialPort port(system);
    EXPECT_FALSE(port.Open(c.number));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_NE(port.LastError().find(c.message), std::string::npos) << port.LastError();
    EXPECT_EQ(system.calls.size(), c.error != 0 ? 1u : 0u) << c.message;
  }
  RecordingSystem system;
  CSerialPort port(system);
  EXPECT_FALSE(port.OpenPath("/dev/ttyS0"));
  EXPECT_EQ(port.LastError(), "/dev/ttyS0: no such port; Windows names its ports COM1 to COM256");
  EXPECT_TRUE(system.calls.empty());
}

TEST(WinSerialPort, ReadsOnlyWhatIsQueuedAndWritesWhole) {
  RecordingSystem system;
  CSerialPort port(system);
  std::uint8_t buffer[80];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u) << "a closed port";
  ASSERT_TRUE(port.Open(1));
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
  EXPECT_TRUE(system.reads.empty()) << "nothing queued: no read at all";
  system.queued = 100;
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 80u);
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 20u);
  EXPECT_EQ(system.reads, (std::vector<DWORD>{80, 20}));
  const std::uint8_t frame[7] = {2, 7, 9, 1, 3, 1, 0xE9};
  EXPECT_TRUE(port.Write(frame, sizeof frame));
  system.writesPending = true;
  EXPECT_TRUE(port.Write(frame, sizeof frame));
  system.shortWrite = 1;  // the write time-out ran out
  EXPECT_FALSE(port.Write(frame, sizeof frame));
  system.writesPending = false;
  EXPECT_FALSE(port.Write(frame, sizeof frame));
}

TEST(WinSerialPort, WaitEndsOnAByteOnAHangUpOnStopOrAfterItsTime) {
  using Clock = std::chrono::steady_clock;
  RecordingSystem system;
  CSerialPort port(system);
  ASSERT_TRUE(port.Open(1));
  StopEvent stop;
  ASSERT_TRUE(stop.Create());

  Clock::time_point start = Clock::now();
  EXPECT_EQ(port.WaitForBytes(&stop, 60), PortWait::Quiet);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));
  EXPECT_GE(system.reads.size(), 3u) << "one waiting read of one byte each 10 ms";
  EXPECT_EQ(system.reads.back(), 1u);

  std::thread arrival([&system] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    system.queued = 5;
  });
  start = Clock::now();
  EXPECT_EQ(port.WaitForBytes(&stop, 5000), PortWait::Arrived);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000)) << "woken by the byte, not the time";
  arrival.join();
  std::uint8_t buffer[80];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 5u) << "the waiting read's byte and the four after it";
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);

  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    stop.Signal();
  });
  start = Clock::now();
  EXPECT_EQ(port.WaitForBytes(&stop, 5000), PortWait::Stopped);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
  stopper.join();
  system.queued = 5;
  EXPECT_EQ(port.WaitForBytes(&stop, 0), PortWait::Stopped) << "the stop goes before bytes";
  stop.Clear();
  EXPECT_EQ(stop.Wait(0), PortWait::Quiet);
  EXPECT_EQ(port.WaitForBytes(nullptr, 0), PortWait::Arrived);

  // A read from another thread (the link before each request) does not wait
  // for the waiting read to run out its time.
  stop.Clear();
  system.queued = 0;
  Clock::time_point readDone;
  std::thread request([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    system.queued = 0;
    port.Read(buffer, sizeof buffer);
    readDone = Clock::now();
  });
  start = Clock::now();
  EXPECT_EQ(port.WaitForBytes(&stop, 5000), PortWait::Quiet);
  request.join();
  EXPECT_LT(readDone - start, std::chrono::milliseconds(1000)) << "the waiting read gave way";
  EXPECT_NE(std::find(system.calls.begin(), system.calls.end(), "cancel"), system.calls.end());

  system.gone = true;  // a USB adapter pulled out: the port tells nothing
  EXPECT_EQ(port.WaitForBytes(&stop, 5000), PortWait::HungUp);
  EXPECT_EQ(port.WaitForBytes(nullptr, 0), PortWait::HungUp);
  system.gone = false;
  system.queued = 0;
  system.readRefused = true;  // or refuses the waiting read
  EXPECT_EQ(port.WaitForBytes(&stop, 5000), PortWait::HungUp);
}

}  // namespace
}  // namespace q4t

// The Windows calls of the serial port, behind a seam so that tests can
// check what the port is set to and make each call fail. The port is opened
// for overlapped I/O, so that a read waiting for bytes never holds up a write.
#pragma once

#include <windows.h>

namespace q4t {

class WinSerialSystem {
 public:
  virtual ~WinSerialSystem() = default;
  // CreateFileW for reading and writing, not shared, of an existing device.
  virtual HANDLE Open(const wchar_t* device);
  virtual BOOL Close(HANDLE port);
  virtual BOOL GetState(HANDLE port, DCB* line);
  virtual BOOL SetState(HANDLE port, DCB* line);
  virtual BOOL SetTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
  virtual BOOL Purge(HANDLE port, DWORD what);
  virtual BOOL ClearError(HANDLE port, DWORD* errors, COMSTAT* status);
  virtual BOOL Escape(HANDLE port, DWORD function);
  virtual BOOL Read(HANDLE port, void* buffer, DWORD n, DWORD* read, OVERLAPPED* pending);
  virtual BOOL Write(HANDLE port, const void* bytes, DWORD n, DWORD* written, OVERLAPPED* pending);
  // The end of an overlapped call; wait: until it has ended.
  virtual BOOL Result(HANDLE port, OVERLAPPED* pending, DWORD* count, BOOL wait);
  virtual BOOL Cancel(HANDLE port);
  virtual DWORD LastError();
};

WinSerialSystem& RealWinSerialSystem();

}  // namespace q4t

#include "link/WinSerialSystem.h"

namespace q4t {

HANDLE WinSerialSystem::Open(const wchar_t* device) {
  return CreateFileW(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}
BOOL WinSerialSystem::Close(HANDLE port) { return CloseHandle(port); }
BOOL WinSerialSystem::GetState(HANDLE port, DCB* line) { return GetCommState(port, line); }
BOOL WinSerialSystem::SetState(HANDLE port, DCB* line) { return SetCommState(port, line); }
BOOL WinSerialSystem::SetTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) { return SetCommTimeouts(port, timeouts); }
BOOL WinSerialSystem::Purge(HANDLE port, DWORD what) { return PurgeComm(port, what); }
BOOL WinSerialSystem::ClearError(HANDLE port, DWORD* errors, COMSTAT* status) {
  return ClearCommError(port, errors, status);
}
BOOL WinSerialSystem::Escape(HANDLE port, DWORD function) { return EscapeCommFunction(port, function); }
BOOL WinSerialSystem::Read(HANDLE port, void* buffer, DWORD n, DWORD* read, OVERLAPPED* pending) {
  return ReadFile(port, buffer, n, read, pending);
}
BOOL WinSerialSystem::Write(HANDLE port, const void* bytes, DWORD n, DWORD* written, OVERLAPPED* pending) {
  return WriteFile(port, bytes, n, written, pending);
}
BOOL WinSerialSystem::Result(HANDLE port, OVERLAPPED* pending, DWORD* count, BOOL wait) {
  return GetOverlappedResult(port, pending, count, wait);
}
BOOL WinSerialSystem::Cancel(HANDLE port) { return CancelIoEx(port, nullptr); }
DWORD WinSerialSystem::LastError() { return GetLastError(); }

WinSerialSystem& RealWinSerialSystem() {
  static WinSerialSystem system;
  return system;
}

}  // namespace q4t

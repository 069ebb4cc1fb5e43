#include "basic_lib/win32_system.h"

#include <psapi.h>

#include <algorithm>
#include <cwctype>

#include "framework/scoped_win.h"

namespace win32_system {

bool IsWindowsVersionOrLater(WORD major, WORD minor, WORD service_pack_major) {
  OSVERSIONINFOEXW info{sizeof(info)};
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  info.wServicePackMajor = service_pack_major;
  DWORDLONG mask = 0;
  mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

bool IsWindows8OrLater() {
  static const bool answer = IsWindowsVersionOrLater(6, 2, 0);
  return answer;
}

bool IsWindows10OrLater() {
  static const bool answer = IsWindowsVersionOrLater(10, 0, 0);
  return answer;
}

void FitRectToWorkArea(RECT& rc) {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT limit{rc.left, rc.top, rc.left + (work.right - work.left), rc.top + (work.bottom - work.top)};
  RECT clipped{};
  if (!::IntersectRect(&clipped, &rc, &limit)) clipped = RECT{rc.left, rc.top, rc.left, rc.top};
  rc = clipped;
  if (rc.right > work.right) ::OffsetRect(&rc, work.right - rc.right, 0);
  else if (rc.left < 0) ::OffsetRect(&rc, -rc.left, 0);
  if (rc.bottom > work.bottom) ::OffsetRect(&rc, 0, work.bottom - rc.bottom);
  else if (rc.top < 0) ::OffsetRect(&rc, 0, -rc.top);
}

bool MutexExists(const wchar_t* name) {
  HANDLE h = ::OpenMutexW(1, FALSE, name);
  if (h) {
    ::CloseHandle(h);
    return true;
  }
  return ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool EnableDebugPrivilege() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  framework::ScopedHandle token(raw);
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &tp.Privileges[0].Luid)) return false;
  return ::AdjustTokenPrivileges(token.Get(), FALSE, &tp, sizeof(tp), nullptr, nullptr) != FALSE;
}

size_t GetProcessImagePath(DWORD process_id, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity < 100) return 0;
  framework::ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
  if (!process) return 0;
  wchar_t path[1024] = {};
  DWORD n = ::K32GetModuleFileNameExW(process.Get(), nullptr, path, 1024);
  if (n == 0) return 0;
  if (wcschr(path, L'~')) {
    wchar_t long_path[1024] = {};
    DWORD m = ::GetLongPathNameW(path, long_path, 1024);
    if (m >= 1 && m <= 1023) {
      wcscpy(path, long_path);
      n = m;
    }
  }
  size_t copy = std::min<size_t>(n, capacity - 1);
  wmemcpy(buffer, path, copy);
  buffer[copy] = 0;
  return n;
}

void TerminateProcessesByPath(const std::wstring& path) {
  EnableDebugPrivilege();
  DWORD ids[512];
  DWORD bytes = 0;
  if (!::K32EnumProcesses(ids, sizeof(ids), &bytes)) return;
  std::wstring wanted = path;
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), ::towupper);
  for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
    wchar_t image[1024] = {};
    if (!GetProcessImagePath(ids[i], image, 1024)) continue;
    std::wstring upper = image;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    if (upper != wanted) continue;
    framework::ScopedHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, ids[i]));
    if (process) ::TerminateProcess(process.Get(), 0);
  }
}

}  // namespace win32_system

// Operating-system helpers: versions, the work area, named mutexes and processes.
#pragma once
#include <windows.h>

#include <string>

namespace win32_system {

bool IsWindowsVersionOrLater(WORD major, WORD minor, WORD service_pack_major);
bool IsWindows8OrLater();
bool IsWindows10OrLater();

// Shrinks the rectangle to the work area's size, then moves it inside.
void FitRectToWorkArea(RECT& rc);

// True when OpenMutexW finds the mutex, or refuses it for access.
bool MutexExists(const wchar_t* name);

bool EnableDebugPrivilege();
// Length of the process's image path, 0 on failure; capacity must be at least 100.
size_t GetProcessImagePath(DWORD process_id, wchar_t* buffer, size_t capacity);
// Ends every process whose image path equals path, compared without case.
void TerminateProcessesByPath(const std::wstring& path);

}  // namespace win32_system

// The tray companion, as much of it as the viewer's start-up needs: it holds its mutex
// while it runs, records how it was started, and ends when its window is closed.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

namespace {

const wchar_t kTrayMutex[] = L"Global\\KvTray-95745a12eeaa410d";
const wchar_t kWindowClass[] = L"VantorTrayWindow";

// One line per start in the data folder: the process id and the parameters.
void RecordStart(const wchar_t* params) {
  wchar_t appdata[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appdata))) return;
  wchar_t path[MAX_PATH] = {};
  ::PathCombineW(path, appdata, L"Vantro\\tray_starts.log");
  std::wstring line = std::to_wstring(::GetCurrentProcessId()) + L"\t" + (params ? params : L"") + L"\n";
  int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), n, nullptr, nullptr);
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      ::DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR params, int) {
  HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kTrayMutex);
  if (!mutex) return 1;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return 0;  // another tray runs
  }
  RecordStart(params);

  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = TrayWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  ::RegisterClassExW(&wc);
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"VantorTray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
  if (!hwnd) return 1;

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  return 0;
}

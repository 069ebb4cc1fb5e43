#include "gui_driver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>

#include "common/test_files.h"

namespace gui {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return condition();
    // Keep our own queue moving: windows we own may be asked things meanwhile.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(20);
  }
}

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ::PathRemoveFileSpecW(path);
  ::PathAddBackslashW(path);
  return path;
}

std::wstring DistFolder() {
  wchar_t path[MAX_PATH] = {};
  ::PathCombineW(path, ThisFolder().c_str(), L"..\\dist\\");
  return path;
}

static std::wstring AppDataChild(const wchar_t* name) {
  wchar_t appdata[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appdata);
  std::wstring path = std::wstring(appdata) + L"\\" + name + L"\\";
  return path;
}

std::wstring DataFolder() { return AppDataChild(L"Vantro"); }
std::wstring LogFolder() { return AppDataChild(L"Vantor"); }

std::wstring TempFolderPath() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"vantor-gui-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++counter) + L"\\";
  DeleteTree(path);
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

static std::wstring DoubleZero(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  path.push_back(L'\0');
  path.push_back(L'\0');
  return path;
}

void DeleteTree(const std::wstring& folder) { ::DeleteTree(folder); }

bool CopyTree(const std::wstring& from, const std::wstring& to) {
  std::wstring source = DoubleZero(from + L"\\*");
  std::wstring target = DoubleZero(to);
  ::CreateDirectoryW(target.c_str(), nullptr);
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_COPY;
  op.pFrom = source.c_str();
  op.pTo = target.c_str();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
  return ::SHFileOperationW(&op) == 0;
}

bool FileExists(const std::wstring& path) { return ::FileExists(path); }
void WriteFileBytes(const std::wstring& path, const std::string& bytes) { WriteTextFile(path, bytes); }
std::string ReadFileBytes(const std::wstring& path) { return ReadTextFile(path); }

std::wstring IniValue(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  wchar_t buf[1024] = {};
  ::GetPrivateProfileStringW(section, key, L"<absent>", buf, 1024, path.c_str());
  return buf;
}

Process::~Process() { Terminate(); }

Process::Process(Process&& other) noexcept : handle_(other.handle_), pid_(other.pid_) {
  other.handle_ = nullptr;
  other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Terminate();
    handle_ = other.handle_;
    pid_ = other.pid_;
    other.handle_ = nullptr;
    other.pid_ = 0;
  }
  return *this;
}

Process Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& cwd) {
  Process p;
  std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  // The viewer and whatever it starts get no handle of ours: a test runner that reads
  // our output would otherwise wait for every descendant to let go of it.
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE null_device = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                     OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si{sizeof(si)};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = null_device;
  PROCESS_INFORMATION pi{};
  BOOL started = ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
  if (null_device != INVALID_HANDLE_VALUE) ::CloseHandle(null_device);
  if (started) {
    ::CloseHandle(pi.hThread);
    p.handle_ = pi.hProcess;
    p.pid_ = pi.dwProcessId;
  }
  return p;
}

bool Process::running() const { return handle_ && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool Process::WaitExit(DWORD timeout_ms, DWORD* exit_code) {
  if (!handle_) return false;
  bool ended = WaitUntil([&] { return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }, timeout_ms);
  if (ended && exit_code) ::GetExitCodeProcess(handle_, exit_code);
  return ended;
}

void Process::Terminate() {
  if (!handle_) return;
  if (::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(handle_, 1);
    ::WaitForSingleObject(handle_, 5000);
  }
  ::CloseHandle(handle_);
  handle_ = nullptr;
  pid_ = 0;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* class_name) {
  struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
  } s{pid, class_name, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
        wchar_t cls[256] = {};
        ::GetClassNameW(hwnd, cls, 256);
        if (wcscmp(cls, s->cls) != 0) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForProcessWindow(DWORD pid, const wchar_t* class_name, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(pid, class_name)) != nullptr; }, timeout_ms);
  return found;
}

std::vector<HWND> WindowsOfClass(const wchar_t* class_name) {
  std::vector<HWND> found;
  HWND hwnd = nullptr;
  while ((hwnd = ::FindWindowExW(nullptr, hwnd, class_name, nullptr)) != nullptr) found.push_back(hwnd);
  return found;
}

HWND FindMessageWindow(const wchar_t* title) { return ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, title); }

HWND WaitForMessageWindow(const wchar_t* title, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindMessageWindow(title)) != nullptr; }, timeout_ms);
  return found;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(hwnd, text, 1024);
  return text;
}

Capture CaptureClient(HWND hwnd) {
  Capture c;
  RECT rc{};
  if (!::GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return c;
  c.width = rc.right;
  c.height = rc.bottom;
  HDC window_dc = ::GetDC(hwnd);
  HDC mem = ::CreateCompatibleDC(window_dc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = c.width;
  bi.bmiHeader.biHeight = -c.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(window_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, dib);
  // What the window's own DC shows: a DC of another process cannot be handed to the
  // window for it to print itself into.
  ::BitBlt(mem, 0, 0, c.width, c.height, window_dc, 0, 0, SRCCOPY);
  ::GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  c.pixels.assign(p, p + static_cast<size_t>(c.width) * c.height);
  for (DWORD& px : c.pixels) px &= 0x00FFFFFF;
  ::SelectObject(mem, old);
  ::DeleteObject(dib);
  ::DeleteDC(mem);
  ::ReleaseDC(hwnd, window_dc);
  return c;
}

void EndTrayProcesses() {
  for (HWND hwnd : WindowsOfClass(L"VantorTrayWindow")) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    ::TerminateProcess(process, 0);
    ::WaitForSingleObject(process, 5000);
    ::CloseHandle(process);
  }
}

}  // namespace gui

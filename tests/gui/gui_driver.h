// Drives the real viewer from outside, as another Windows process would: starts it,
// waits for its windows with deadlines, reads and sends, captures pixels, and ends every
// process it started by id.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace gui {

constexpr wchar_t kMainFrameClass[] = L"VantorMainFrameClass-b1f78b3cc4bd764c";

// Waits until the condition holds or the deadline passes; the final answer is returned.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000);

std::wstring ThisFolder();        // folder of the test program, with a backslash
std::wstring DistFolder();        // the built install folder
std::wstring DataFolder();        // per-user data folder, "...\Vantro\"
std::wstring LogFolder();         // per-user log folder, "...\Vantor\"
std::wstring TempFolderPath();    // a fresh scratch folder for one test

void DeleteTree(const std::wstring& folder);
bool CopyTree(const std::wstring& from, const std::wstring& to);
bool FileExists(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
std::wstring IniValue(const std::wstring& path, const wchar_t* section, const wchar_t* key);

class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts exe with the argument text; working folder optional.
  static Process Start(const std::wstring& exe, const std::wstring& args, const std::wstring& cwd = L"");
  bool running() const;
  DWORD id() const { return pid_; }
  HANDLE handle() const { return handle_; }
  // Waits for the end; true and the exit code when it ended in time.
  bool WaitExit(DWORD timeout_ms, DWORD* exit_code = nullptr);
  void Terminate();

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// A visible top-level window of the class that belongs to the process, or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* class_name);
HWND WaitForProcessWindow(DWORD pid, const wchar_t* class_name, DWORD timeout_ms = 15000);
// Every top-level window of the class (any process).
std::vector<HWND> WindowsOfClass(const wchar_t* class_name);
HWND FindMessageWindow(const wchar_t* title);
// Message-only windows of another process can take a moment to be found under Wine.
HWND WaitForMessageWindow(const wchar_t* title, DWORD timeout_ms = 10000);
std::wstring WindowText(HWND hwnd);

// Client-area pixels as 0x00RRGGBB, row by row from the top.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
  DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Capture CaptureClient(HWND hwnd);

// Ends the tray companions that viewers started, found by their window, by process id.
void EndTrayProcesses();

}  // namespace gui

// Command-line helper for scripts:
//   vdriver wait SECONDS       waits for a viewer window; prints "x y width height"
//   vdriver close SECONDS      closes every viewer window and waits for them to go
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "gui_driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: vdriver wait|close SECONDS\n");
    return 2;
  }
  DWORD timeout = static_cast<DWORD>(_wtoi(argv[2])) * 1000;
  if (wcscmp(argv[1], L"wait") == 0) {
    HWND frame = nullptr;
    bool found = gui::WaitUntil(
        [&] {
          auto frames = gui::WindowsOfClass(gui::kMainFrameClass);
          frame = frames.empty() ? nullptr : frames.front();
          return frame && ::IsWindowVisible(frame);
        },
        timeout);
    if (!found) return 1;
    RECT rc{};
    ::GetWindowRect(frame, &rc);
    wprintf(L"%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    return 0;
  }
  if (wcscmp(argv[1], L"close") == 0) {
    for (HWND frame : gui::WindowsOfClass(gui::kMainFrameClass)) ::PostMessageW(frame, WM_CLOSE, 0, 0);
    bool gone = gui::WaitUntil([] { return gui::WindowsOfClass(gui::kMainFrameClass).empty(); }, timeout);
    gui::EndTrayProcesses();
    return gone ? 0 : 1;
  }
  return 2;
}

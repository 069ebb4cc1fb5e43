// A hidden message-only window bound to an object: results from other threads arrive
// as messages on the thread that created it, and destroying it drops late ones.
#pragma once
#include <windows.h>

class FCMessageWindow {
 public:
  FCMessageWindow() = default;
  virtual ~FCMessageWindow();
  FCMessageWindow(const FCMessageWindow&) = delete;
  FCMessageWindow& operator=(const FCMessageWindow&) = delete;

  // Destroys any previous window, then creates one with the given title (may be null).
  bool Create(const wchar_t* window_name);
  void Destroy();
  HWND GetSafeHwnd() const { return m_hWnd; }

  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);

 protected:
  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

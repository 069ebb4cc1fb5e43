// The thin window base of our application layer: one virtual WindowProc per object.
#pragma once
#include <windows.h>

namespace framework {

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
  }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL SetWindowTextW(const wchar_t* text) { return ::SetWindowTextW(m_hWnd, text); }
  LRESULT SendMessageW(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::SendMessageW(m_hWnd, msg, wp, lp); }
  BOOL PostMessageW(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::PostMessageW(m_hWnd, msg, wp, lp); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

  // Gives a message to the object before dispatch; true means it was handled.
  virtual BOOL PreTranslateMessage(MSG* msg);

 protected:
  // Returns the result of a message the object handled; the default forwards to
  // DefWindowProc (or, for dialogs, answers "not handled").
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Called once the window is gone; the handle is already cleared.
  virtual void PostNcDestroy() {}

  HWND m_hWnd = nullptr;
};

}  // namespace framework

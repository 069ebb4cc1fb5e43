#include "view_render/message_window.h"

#include <cstdio>

FCMessageWindow::~FCMessageWindow() { Destroy(); }

bool FCMessageWindow::Create(const wchar_t* window_name) {
  Destroy();
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  wchar_t class_name[64];
  swprintf(class_name, 64, L"zuvavev_msgwnd_%lld", static_cast<long long>(reinterpret_cast<INT_PTR>(instance)));
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = &FCMessageWindow::StaticWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = class_name;
  ::RegisterClassExW(&wc);  // already registered is fine
  m_hWnd = ::CreateWindowExW(0, class_name, window_name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!m_hWnd) return false;
  ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

void FCMessageWindow::Destroy() {
  if (!m_hWnd) return;
  // Unbind first, so nothing sent during destruction reaches a half-gone object.
  ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
  ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
}

LRESULT FCMessageWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(m_hWnd, msg, wp, lp); }

LRESULT CALLBACK FCMessageWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<FCMessageWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) return self->WindowProc(msg, wp, lp);
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

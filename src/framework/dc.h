// Device-context wrappers: CDC owns nothing by itself; CPaintDC pairs BeginPaint/EndPaint.
#pragma once
#include <windows.h>

namespace framework {

class CDC {
 public:
  CDC() = default;
  explicit CDC(HDC dc) : m_hDC(dc) {}
  virtual ~CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }

  void FillSolidRect(const RECT& rc, COLORREF color);
  void FrameRgn(HRGN rgn, HBRUSH brush, int width, int height) { ::FrameRgn(m_hDC, rgn, brush, width, height); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }

 protected:
  HDC m_hDC = nullptr;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(HWND hwnd);
  ~CPaintDC() override;
  const PAINTSTRUCT& ps() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

}  // namespace framework

#include "framework/dc.h"

namespace framework {

void CDC::FillSolidRect(const RECT& rc, COLORREF color) {
  // ExtTextOut with ETO_OPAQUE fills without creating a brush.
  COLORREF old = ::SetBkColor(m_hDC, color);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

CPaintDC::CPaintDC(HWND hwnd) : hwnd_(hwnd) { m_hDC = ::BeginPaint(hwnd, &ps_); }

CPaintDC::~CPaintDC() { ::EndPaint(hwnd_, &ps_); }

}  // namespace framework

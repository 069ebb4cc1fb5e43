#include "view_render/buffered_view.h"

namespace view_render {

CBufferedView::CBufferedView(int width, int height) : width_(width), height_(height) {
  m_hDC = ::CreateCompatibleDC(nullptr);
  HDC screen = ::GetDC(nullptr);
  back_ = ::CreateCompatibleBitmap(screen, width > 0 ? width : 1, height > 0 ? height : 1);
  ::ReleaseDC(nullptr, screen);
  previous_ = ::SelectObject(m_hDC, back_);
}

CBufferedView::~CBufferedView() {
  ::SelectObject(m_hDC, previous_);
  if (back_) ::DeleteObject(back_);
  if (scratch_) ::DeleteObject(scratch_);
  ::DeleteDC(m_hDC);
}

HBITMAP CBufferedView::ScratchBitmap() {
  if (!scratch_) {
    HDC screen = ::GetDC(nullptr);
    scratch_ = ::CreateCompatibleBitmap(screen, width_ > 0 ? width_ : 1, height_ > 0 ? height_ : 1);
    ::ReleaseDC(nullptr, screen);
  }
  return scratch_;
}

}  // namespace view_render

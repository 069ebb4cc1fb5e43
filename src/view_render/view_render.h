// The view context of one shown picture: its zoom and placement, an off-screen copy of
// the view rendered only when they change, and the frame source that draws the picture.
#pragma once
#include <windows.h>

#include <memory>

#include "view_render/buffered_view.h"
#include "view_render/view_geometry.h"

namespace view_render {

class CViewRender;

// Draws the whole picture for a view context.
class CPreRender {
 public:
  virtual ~CPreRender() = default;
  // The picture at the fit size (or the frame shown); with complete_only, only once its
  // final quality has arrived. Null while none exists.
  virtual HBITMAP GetBitmap(bool complete_only) = 0;
  // Fills (left, top, right, bottom) of the target with the whole picture; the rectangle
  // may reach past the target on any side.
  virtual void Draw(HDC target, int left, int top, int right, int bottom) = 0;
};

class CViewRender {
 public:
  // loading is set when the picture has no bitmap to show yet.
  CViewRender(int view_width, int view_height, HWND window, bool* loading);
  ~CViewRender();
  CViewRender(const CViewRender&) = delete;
  CViewRender& operator=(const CViewRender&) = delete;

  void SetViewSize(int width, int height);
  // Copies the back buffer; while resizing, stretches the fit bitmap for that size.
  void Paint(HDC target, int view_width, int view_height, bool resizing);
  void RenderBackBuffer();
  // Re-renders and repaints the window at once; frame sources call it.
  void Refresh();

  // Each returns whether anything changed; the caller then repaints.
  bool ZoomTo(float ratio, int anchor_x, int anchor_y);
  bool ZoomStep(int steps, int anchor_x, int anchor_y);
  bool ToggleZoom(int anchor_x, int anchor_y);
  bool ToggleActualSize();
  bool Pan(int dx, int dy);

  HWND window() const { return window_; }
  float ratio() const { return layout_.ratio(); }
  const CZoomLayout& layout() const { return layout_; }
  CPreRender* frame_source() const { return source_.get(); }
  CBufferedView* buffer() const { return buffer_.get(); }

 private:
  void AfterZoom();

  HWND window_;
  CZoomLayout layout_;
  std::unique_ptr<CPreRender> source_;
  std::unique_ptr<CBufferedView> buffer_;
};

}  // namespace view_render

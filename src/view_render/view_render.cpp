#include "view_render/view_render.h"

#include "app/app_config.h"
#include "app/title_record.h"
#include "image/current_picture.h"
#include "logging/my_log.h"
#include "view_render/async_task.h"
#include "view_render/system_cache.h"
#include "view_render/pre_render_animation.h"
#include "view_render/pre_render_key_frame.h"
#include "widgets/ui_event.h"

namespace view_render {
namespace {

CZoomLayout LayoutForCurrentPicture() {
  UINT w = 0, h = 0;
  if (const LoaderPtr& loader = CurrentPicture::Instance().loader()) loader->GetOrientedSize(&w, &h);
  return CZoomLayout(static_cast<int>(w), static_cast<int>(h));
}

}  // namespace

CViewRender::CViewRender(int view_width, int view_height, HWND window, bool* loading)
    : window_(window), layout_(LayoutForCurrentPicture()) {
  SetViewSize(view_width, view_height);
  if (loading) *loading = !source_ || source_->GetBitmap(false) == nullptr;
  if (CAppConfig::Instance().long_image_mode && CurrentPicture::Instance().IsLongImage()) ZoomTo(1.0f, 0, 0);
}

CViewRender::~CViewRender() {
  // The frame source goes first: its results must find no window.
  source_.reset();
  buffer_.reset();
}

void CViewRender::SetViewSize(int width, int height) {
  if (buffer_ && buffer_->width() == width && buffer_->height() == height) {
    GetTitleRecord().SetZoom(layout_.ratio());
    return;
  }
  // Nothing made for the old size may arrive later.
  CurrentPicture::Instance().Queue().CancelAll();
  buffer_ = std::make_unique<CBufferedView>(width, height);
  CSystemCache::Instance().SetViewSize(width, height);
  layout_.Layout(width, height, CAppConfig::Instance().double_click_action);
  VLOG_INFO() << L"actualsize.cx:" << layout_.picture_width() << L" actualsize.cy" << layout_.picture_height();
  VLOG_INFO() << L"init_ratio:" << layout_.ratio();
  VLOG_INFO() << L"view_size.cx:" << width << L" view_size.cy:" << height;
  VLOG_INFO() << L"zoomed_size.cx:" << layout_.geometry().zoomed_width()
              << L" zoomed_size.cy:" << layout_.geometry().zoomed_height();
  source_.reset();
  const LoaderPtr& loader = CurrentPicture::Instance().loader();
  if (loader && loader->IsAnimated())
    source_ = std::make_unique<CPreRenderAnimation>(this);
  else
    source_ = std::make_unique<CPreRenderKeyFrame>(this);
  RenderBackBuffer();
  GetTitleRecord().SetZoom(layout_.ratio());
}

void CViewRender::RenderBackBuffer() {
  if (!buffer_) return;
  RECT all{0, 0, buffer_->width(), buffer_->height()};
  ::FillRect(*buffer_, &all, CAppConfig::Instance().canvas_brush());
  if (!source_) return;
  POINT at = layout_.geometry().Placement();
  source_->Draw(*buffer_, at.x, at.y, at.x + layout_.geometry().zoomed_width(),
                at.y + layout_.geometry().zoomed_height());
}

void CViewRender::Refresh() {
  RenderBackBuffer();
  if (window_) {
    ::InvalidateRect(window_, nullptr, TRUE);
    ::UpdateWindow(window_);
  }
}

void CViewRender::Paint(HDC target, int view_width, int view_height, bool resizing) {
  if (!buffer_) return;
  if (!resizing) {
    ::BitBlt(target, 0, 0, buffer_->width(), buffer_->height(), *buffer_, 0, 0, SRCCOPY);
    return;
  }
  // While the border is dragged: the fit bitmap stretched to the temporary fit.
  float f = CZoomLayout::FitRatio(layout_.picture_width(), layout_.picture_height(), view_width, view_height);
  CViewGeometry temporary(view_width, view_height, CZoomLayout::ZoomedExtent(layout_.picture_width(), f),
                          CZoomLayout::ZoomedExtent(layout_.picture_height(), f));
  HBITMAP fit = source_ ? source_->GetBitmap(false) : nullptr;
  if (fit) {
    BITMAP bm{};
    ::GetObjectW(fit, sizeof(bm), &bm);
    HDC memory = ::CreateCompatibleDC(target);
    HGDIOBJ old = ::SelectObject(memory, fit);
    ::SetBkMode(memory, TRANSPARENT);
    ::SetStretchBltMode(memory, COLORONCOLOR);
    int old_mode = ::SetStretchBltMode(target, COLORONCOLOR);
    POINT at = temporary.Placement();
    ::StretchBlt(target, at.x, at.y, temporary.zoomed_width(), temporary.zoomed_height(), memory, 0, 0, bm.bmWidth,
                 bm.bmHeight, SRCCOPY);
    ::SetStretchBltMode(target, old_mode);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  GetTitleRecord().SetZoom(f);
}

void CViewRender::AfterZoom() {
  RenderBackBuffer();
  GetTitleRecord().SetZoom(layout_.ratio());
  FireUIEvent(CUIEventViewZoomChanged(layout_.ratio(), layout_.presets().fit_ratio));
}

bool CViewRender::ZoomTo(float ratio, int anchor_x, int anchor_y) {
  if (!layout_.ZoomTo(ratio, anchor_x, anchor_y)) return false;
  AfterZoom();
  return true;
}

bool CViewRender::ZoomStep(int steps, int anchor_x, int anchor_y) {
  return ZoomTo(layout_.StepTarget(steps, CAppConfig::Instance().max_zoom_ratio), anchor_x, anchor_y);
}

bool CViewRender::ToggleZoom(int anchor_x, int anchor_y) {
  float target = layout_.ratio() == layout_.presets().fit_ratio ? layout_.presets().alternate_ratio
                                                                 : layout_.presets().fit_ratio;
  return ZoomTo(target, anchor_x, anchor_y);
}

bool CViewRender::ToggleActualSize() {
  float target = layout_.presets().fit_ratio == layout_.ratio() ? 1.0f : layout_.presets().fit_ratio;
  return buffer_ && ZoomTo(target, buffer_->width() / 2, buffer_->height() / 2);
}

bool CViewRender::Pan(int dx, int dy) {
  if (!buffer_) return false;
  const RECT before = layout_.geometry().source();
  if (!layout_.Pan(dx, dy)) return false;
  const RECT& after = layout_.geometry().source();
  const int sx = before.left - after.left, sy = before.top - after.top;
  // Move the pixels already rendered, then render only the strips that came into view.
  HDC memory = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(memory, buffer_->ScratchBitmap());
  ::SetBkMode(memory, TRANSPARENT);
  ::SetStretchBltMode(memory, COLORONCOLOR);
  ::BitBlt(memory, 0, 0, buffer_->width(), buffer_->height(), *buffer_, 0, 0, SRCCOPY);
  ::BitBlt(*buffer_, sx, sy, buffer_->width(), buffer_->height(), memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  int saved = ::SaveDC(*buffer_);
  ::ExcludeClipRect(*buffer_, sx, sy, sx + buffer_->width(), sy + buffer_->height());
  RenderBackBuffer();
  ::RestoreDC(*buffer_, saved);
  return true;
}

}  // namespace view_render

#include "view_render/view_geometry.h"

#include <algorithm>
#include <cmath>

namespace view_render {

CViewGeometry::CViewGeometry(int view_width, int view_height, int zoomed_width, int zoomed_height)
    : view_w_(view_width), view_h_(view_height) {
  SetZoomedSize(zoomed_width, zoomed_height);
}

void CViewGeometry::SetZoomedSize(int zoomed_width, int zoomed_height) {
  zoomed_w_ = zoomed_width;
  zoomed_h_ = zoomed_height;
  RECT centred{(view_w_ - zoomed_w_) / 2, (view_h_ - zoomed_h_) / 2, 0, 0};
  centred.right = centred.left + zoomed_w_;
  centred.bottom = centred.top + zoomed_h_;
  RECT view{0, 0, view_w_, view_h_};
  if (!::IntersectRect(&dest_, &centred, &view)) dest_ = RECT{};
  overflow_x_ = std::max(0, zoomed_w_ - view_w_);
  overflow_y_ = std::max(0, zoomed_h_ - view_h_);
  Anchor(0, 0, 0, 0);
}

void CViewGeometry::Anchor(float zx, float zy, int vx, int vy) {
  src_ = RECT{0, 0, zoomed_w_, zoomed_h_};
  if (overflow_x_ > 0) {
    long offset = std::lround(zx) - vx;
    offset = std::clamp<long>(offset, 0, overflow_x_);
    src_.left = offset;
    src_.right = offset + view_w_;
  }
  if (overflow_y_ > 0) {
    long offset = std::lround(zy) - vy;
    offset = std::clamp<long>(offset, 0, overflow_y_);
    src_.top = offset;
    src_.bottom = offset + view_h_;
  }
}

bool CViewGeometry::Pan(int dx, int dy) {
  RECT before = src_;
  ::OffsetRect(&src_, -dx, -dy);
  if (src_.left < 0)
    ::OffsetRect(&src_, -src_.left, 0);
  else if (src_.right > zoomed_w_)
    ::OffsetRect(&src_, zoomed_w_ - src_.right, 0);
  if (src_.top < 0)
    ::OffsetRect(&src_, 0, -src_.top);
  else if (src_.bottom > zoomed_h_)
    ::OffsetRect(&src_, 0, zoomed_h_ - src_.bottom);
  return src_.left != before.left || src_.top != before.top;
}

POINT CViewGeometry::Placement() const {
  return POINT{overflow_x_ > 0 ? -src_.left : dest_.left, overflow_y_ > 0 ? -src_.top : dest_.top};
}

CZoomLayout::CZoomLayout(int picture_width, int picture_height)
    : picture_w_(picture_width), picture_h_(picture_height), geometry_(0, 0, 1, 1) {}

float CZoomLayout::FitRatio(int picture_width, int picture_height, int view_width, int view_height) {
  if (picture_width <= 0 || picture_height <= 0) return 1.0f;
  float r = std::min(static_cast<float>(view_width) / static_cast<float>(picture_width),
                     static_cast<float>(view_height) / static_cast<float>(picture_height));
  return std::max(0.0f, std::min(r, 1.0f));
}

int CZoomLayout::ZoomedExtent(int size, float ratio) {
  double extent = std::trunc(static_cast<double>(size) * static_cast<double>(ratio));
  if (extent > 0x7FFFFFFF) extent = 0x7FFFFFFF;
  return std::max(1, static_cast<int>(extent));
}

void CZoomLayout::SetRatio(float ratio) {
  ratio_ = ratio;
  int zw = ZoomedExtent(picture_w_, ratio), zh = ZoomedExtent(picture_h_, ratio);
  ratio_x_ = picture_w_ > 0 ? static_cast<float>(zw) / static_cast<float>(picture_w_) : 1.0f;
  ratio_y_ = picture_h_ > 0 ? static_cast<float>(zh) / static_cast<float>(picture_h_) : 1.0f;
}

void CZoomLayout::Layout(int view_width, int view_height, int double_click_action) {
  float r = FitRatio(picture_w_, picture_h_, view_width, view_height);
  SetRatio(r);
  presets_.fit_ratio = r;
  presets_.alternate_ratio = double_click_action == 1 ? 1.0f : 2.0f * r;
  geometry_ = CViewGeometry(view_width, view_height, ZoomedExtent(picture_w_, r), ZoomedExtent(picture_h_, r));
}

bool CZoomLayout::ZoomTo(float ratio, int anchor_x, int anchor_y) {
  POINT at = geometry_.Placement();
  float px = static_cast<float>(anchor_x - at.x) / ratio_x_;
  float py = static_cast<float>(anchor_y - at.y) / ratio_y_;
  SetRatio(ratio);
  int zw = ZoomedExtent(picture_w_, ratio), zh = ZoomedExtent(picture_h_, ratio);
  if (zw == geometry_.zoomed_width() && zh == geometry_.zoomed_height()) return false;
  geometry_.SetZoomedSize(zw, zh);
  geometry_.Anchor(ratio_x_ * px, ratio_y_ * py, anchor_x, anchor_y);
  return true;
}

float CZoomLayout::StepTarget(int steps, int max_zoom_ratio) const {
  float candidate = (static_cast<float>(steps) * 0.1f + 1.0f) * ratio_;
  float lower = std::min(0.05f, presets_.fit_ratio);
  float upper = static_cast<float>(max_zoom_ratio);
  return upper > candidate ? std::max(candidate, lower) : upper;
}

bool CZoomLayout::ZoomStep(int steps, int anchor_x, int anchor_y, int max_zoom_ratio) {
  return ZoomTo(StepTarget(steps, max_zoom_ratio), anchor_x, anchor_y);
}

bool CZoomLayout::ToggleZoom(int anchor_x, int anchor_y) {
  float target = ratio_ == presets_.fit_ratio ? presets_.alternate_ratio : presets_.fit_ratio;
  return ZoomTo(target, anchor_x, anchor_y);
}

bool CZoomLayout::ToggleActualSize() {
  float target = presets_.fit_ratio == ratio_ ? 1.0f : presets_.fit_ratio;
  return ZoomTo(target, geometry_.view_width() / 2, geometry_.view_height() / 2);
}

}  // namespace view_render

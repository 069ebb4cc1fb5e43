// Where the zoomed picture lies in the view, and the zoom arithmetic around it. Nothing
// here needs a window, so the rules are tested on their own.
#pragma once
#include <windows.h>

namespace view_render {

class CViewGeometry {
 public:
  CViewGeometry(int view_width, int view_height, int zoomed_width, int zoomed_height);

  void SetZoomedSize(int zoomed_width, int zoomed_height);
  // Scrolls so that zoomed-picture point (zx, zy) lies under view point (vx, vy).
  void Anchor(float zx, float zy, int vx, int vy);
  // Moves the visible part by (-dx, -dy), clamped; true when the scroll changed.
  bool Pan(int dx, int dy);

  int view_width() const { return view_w_; }
  int view_height() const { return view_h_; }
  int zoomed_width() const { return zoomed_w_; }
  int zoomed_height() const { return zoomed_h_; }
  const RECT& destination() const { return dest_; }
  const RECT& source() const { return src_; }
  int overflow_x() const { return overflow_x_; }
  int overflow_y() const { return overflow_y_; }
  // The zoomed picture's top-left corner in view coordinates.
  POINT Placement() const;

 private:
  int view_w_, view_h_;
  int zoomed_w_ = 0, zoomed_h_ = 0;
  RECT dest_{};
  int overflow_x_ = 0, overflow_y_ = 0;
  RECT src_{};
};

struct ZoomPresets {
  float fit_ratio = 1.0f;
  float alternate_ratio = 2.0f;
};

// The zoom state of one shown picture: requested and effective ratios, the presets and
// the geometry, with every rule that changes them.
class CZoomLayout {
 public:
  CZoomLayout(int picture_width, int picture_height);

  // A fresh layout for a view size: fit ratio, centred. double_click_action picks the
  // alternate ratio (1: actual size, 0: twice the fit).
  void Layout(int view_width, int view_height, int double_click_action);
  // False when the zoomed size in whole pixels did not change (nothing to redraw).
  bool ZoomTo(float ratio, int anchor_x, int anchor_y);
  float StepTarget(int steps, int max_zoom_ratio) const;
  bool ZoomStep(int steps, int anchor_x, int anchor_y, int max_zoom_ratio);
  bool ToggleZoom(int anchor_x, int anchor_y);
  bool ToggleActualSize();
  bool Pan(int dx, int dy) { return geometry_.Pan(dx, dy); }

  // The fit ratio for a view: never enlarging; 0 for an empty view.
  static float FitRatio(int picture_width, int picture_height, int view_width, int view_height);
  // max(1, truncate(size * ratio)), in 64 bits before narrowing.
  static int ZoomedExtent(int size, float ratio);

  float ratio() const { return ratio_; }
  float ratio_x() const { return ratio_x_; }
  float ratio_y() const { return ratio_y_; }
  const ZoomPresets& presets() const { return presets_; }
  const CViewGeometry& geometry() const { return geometry_; }
  int picture_width() const { return picture_w_; }
  int picture_height() const { return picture_h_; }

 private:
  void SetRatio(float ratio);

  int picture_w_, picture_h_;
  float ratio_ = 1.0f, ratio_x_ = 1.0f, ratio_y_ = 1.0f;
  ZoomPresets presets_;
  CViewGeometry geometry_;
};

}  // namespace view_render

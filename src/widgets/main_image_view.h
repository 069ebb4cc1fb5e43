// The picture area of the main frame: it owns the shown picture's view context, paints
// it, turns the mouse into zoom, pan and double-click actions, and shows the states
// around a picture (welcome, loading, load error, missing file).
#pragma once
#include <memory>

#include "view_render/view_render.h"
#include "widgets/widget_window.h"

namespace main_view {

enum ItemId {
  kTurnPrevious = 100,
  kTurnNext = 101,
  kLoadError = 102,
  kLoading = 103,
  kWelcomeOpen = 105,
  kWelcomeSlogan = 106,
  kMissingTip = 107,
  kSavingTip = 108,
};

class CMainViewLayout : public CWidgetLayout {
 public:
  explicit CMainViewLayout(int turn_page_width) : turn_page_width_(turn_page_width) {}
  void Arrange(HWND window, std::deque<std::unique_ptr<CWidgetItem>>& items) override;

 private:
  int turn_page_width_;
};

}  // namespace main_view

class WndMainImageView : public CWidgetWindow {
 public:
  WndMainImageView();
  ~WndMainImageView() override;
  bool Create(const RECT& rect, HWND parent, UINT id);

  // Rebuilds the items and the view context for the current picture.
  void ShowCurrentPicture();
  void ToggleActualSize();
  void ZoomInOut(bool zoom_in);
  void ScrollPage(int command);
  // Turns the picture on screen; writing it to the file comes with saving.
  void Rotate(bool clockwise);
  void BeginResizing() { resizing_ = 1; }
  void EndResizing();
  void OnFrameLayout();
  void Shutdown();

  view_render::CViewRender* view_context() const { return view_.get(); }
  // The client rectangle, less the margins when the toolbar is at the top.
  RECT ViewRect() const;

 protected:
  void OnDraw(HDC dc, const RECT& paint) override;
  void OnLButtonDown(int x, int y) override;
  void OnLButtonDblClk(int x, int y) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void OnMouseWheel(WPARAM wp, LPARAM lp);
  void DragLoop(int x, int y);
  void Repaint();

  int resizing_ = 0;
  FCObjImage turn_page_picture_;
  std::unique_ptr<view_render::CViewRender> view_;
};

// Owner-drawn child windows that hold light, window-less items: the picture area, the
// toolbar, the menu bar and the logo. Items are placed by a layout object, painted
// double-buffered over the window's own drawing, and hit-tested in insertion order.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "framework/wnd.h"
#include "image/fc_obj_image.h"

class FCTrackMouseHover {
 public:
  virtual ~FCTrackMouseHover() = default;
  virtual void OnMouseEnter() {}
  virtual void OnMouseLeave() {}

 protected:
  BOOL tracking_ = FALSE;
};

// A thread timer owned by no window; its WM_TIMER reaches OnTimer through the thread's
// message loop, including the modal loops.
class FCTimerNotify {
 public:
  FCTimerNotify();
  virtual ~FCTimerNotify();
  FCTimerNotify(const FCTimerNotify&) = delete;
  FCTimerNotify& operator=(const FCTimerNotify&) = delete;
  virtual void OnTimer() = 0;
  void StartTimer(UINT interval_ms);
  void StopTimer();
  bool IsTimerRunning() const { return timer_id_ != 0; }

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  UINT_PTR timer_id_ = 0;
};

class CWidgetItem {
 public:
  enum Flags : UINT { kHot = 1, kPressed = 2, kVisible = 4, kInteractive = 8 };
  explicit CWidgetItem(int id = 0) : id(id) {}
  virtual ~CWidgetItem() = default;
  CWidgetItem(const CWidgetItem&) = delete;
  CWidgetItem& operator=(const CWidgetItem&) = delete;

  virtual void OnHoverEnter() {}
  virtual void OnHoverLeave() {}
  // The DC's origin is the item's top-left corner.
  virtual void Draw(HDC dc) = 0;

  bool Has(UINT flag) const { return (flags & flag) != 0; }
  void Set(UINT flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }

  int id;
  int user_value = 0;
  UINT flags = kVisible | kInteractive;
  RECT rect{};
  std::wstring tooltip;
};

namespace widget_window {

class CWidgetItemImage : public CWidgetItem {
 public:
  using CWidgetItem::CWidgetItem;
  void Draw(HDC dc) override { image.Draw(dc, 0, 0, Width(), Height()); }
  FCObjImage image;
};

// Three equal states side by side: normal, hot, pressed.
class CWidgetItemBitmapButton : public CWidgetItem {
 public:
  using CWidgetItem::CWidgetItem;
  void Draw(HDC dc) override;
  FCObjImage image;
};

// Reads a PNG of the program's "resources\" folder; an empty image when it is missing.
void LoadResourcePicture(const wchar_t* name, int gdiplus_pixel_format, FCObjImage* image);

}  // namespace widget_window

class CWidgetWindow;

class CWidgetLayout {
 public:
  virtual ~CWidgetLayout() = default;
  virtual void Arrange(HWND window, std::deque<std::unique_ptr<CWidgetItem>>& items) = 0;
};

class CWidgetWindow : public framework::CWnd, public FCTrackMouseHover {
 public:
  CWidgetWindow();
  ~CWidgetWindow() override;

  // A visible child window (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP).
  bool Create(const RECT& rect, HWND parent, UINT id);

  // Position -1 appends; 0..count inserts; anything else deletes the item.
  void AddItem(CWidgetItem* item, int position = -1);
  void RemoveItem(int id);
  CWidgetItem* FindItem(int id) const;
  CWidgetItem* HitTest(int x, int y) const;
  void SetLayout(CWidgetLayout* layout) { layout_.reset(layout); }
  size_t ItemCount() const { return items_.size(); }

  virtual void Layout();
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  virtual void OnDraw(HDC dc, const RECT& paint) {}
  virtual int OnItemPress(CWidgetItem*) { return 0; }
  virtual void OnItemRelease(CWidgetItem* item, int x, int y, bool released);
  virtual void OnItemClick(CWidgetItem*) {}
  virtual void OnLButtonDown(int x, int y);
  virtual void OnLButtonDblClk(int x, int y) { OnLButtonDown(x, y); }
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnMouseLeave() override;

  void UpdateHover(int x, int y);
  void InvalidateItem(const CWidgetItem* item);

  std::deque<std::unique_ptr<CWidgetItem>> items_;
  std::unique_ptr<CWidgetLayout> layout_;
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;

 private:
  void Paint();
  void RebuildToolTips();
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

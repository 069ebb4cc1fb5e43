// A caption button: a small widget window whose one item shows a three-state picture
// (normal, hot, pressed) from the program's PNG resources and sends its command on click.
#pragma once
#include "widgets/widget_window.h"

class CPngButton : public CWidgetWindow {
 public:
  explicit CPngButton(UINT command) : command_(command) {}
  bool Create(HWND parent, UINT resource_id);
  // Shows another picture from the resources (maximise and restore share a button).
  void SetPicture(UINT resource_id);

 protected:
  void OnItemClick(CWidgetItem* item) override;
  void OnDraw(HDC dc, const RECT& paint) override;

 private:
  UINT command_;
  UINT picture_ = 0;
};

// A PNG of the program's resources (type "PNG"), premultiplied; empty when missing.
bool LoadPngResource(UINT id, FCObjImage* image);

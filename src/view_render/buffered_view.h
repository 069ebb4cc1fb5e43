// An off-screen copy of the view: a memory DC holding a bitmap of the view's size.
#pragma once
#include "framework/dc.h"

namespace view_render {

class CBufferedView : public framework::CDC {
 public:
  CBufferedView(int width, int height);
  ~CBufferedView() override;

  int width() const { return width_; }
  int height() const { return height_; }
  HBITMAP back_bitmap() const { return back_; }
  // A second bitmap of the same size, made on first use, for moving the contents.
  HBITMAP ScratchBitmap();

 private:
  int width_, height_;
  HBITMAP back_ = nullptr;
  HBITMAP scratch_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace view_render

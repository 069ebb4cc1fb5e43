// The frame source of still pictures: a bitmap of the picture at the fit size, made at
// once for small pictures and in the background otherwise, and Direct2D key frames at
// 2x fit, 4x fit and full size for smooth zooming above the fit ratio.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <d2d1.h>
#include <gdiplus.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

#include "view_render/message_window.h"
#include "view_render/view_render.h"

namespace view_render {

constexpr UINT kMsgZoomFrames = WM_APP + 0x1F5;
constexpr UINT kMsgFirstBitmap = WM_APP + 0x1F6;
constexpr UINT kMsgCacheReady = WM_APP + 0x1F8;
constexpr UINT kMsgFitViewReady = WM_APP + 0x1FA;

// Pictures of at most this many pixels are fitted at once, without a task.
constexpr unsigned long long kSmallPicturePixels = 1640960;

class CZoomKeyFrame {
 public:
  explicit CZoomKeyFrame(float ratio) : ratio_(ratio) {}
  virtual ~CZoomKeyFrame();
  virtual bool DrawFrame(ID2D1RenderTarget* target, int left, int top, int right, int bottom);

  float ratio() const { return ratio_; }
  Microsoft::WRL::ComPtr<ID2D1Bitmap> bitmap;
  // Only for the full-size frame, when the render target could not take the picture.
  std::unique_ptr<Gdiplus::Bitmap> fallback;
  std::vector<BYTE> fallback_pixels;

 protected:
  float ratio_;
};
using ZoomKeyFramePtr = std::shared_ptr<CZoomKeyFrame>;

class CFitViewFrame : public CZoomKeyFrame {
 public:
  CFitViewFrame(float ratio, int width, int height) : CZoomKeyFrame(ratio), width(width), height(height) {}
  ~CFitViewFrame() override;
  bool DrawFrame(ID2D1RenderTarget* target, int left, int top, int right, int bottom) override;

  HBITMAP fit_bitmap = nullptr;
  int complete = 0;
  int width, height;
};

// Which frames to try, best first, for a ratio above the fit (the fit frame is last).
// Exposed for tests: a = 2x, b = 4x, c = full; null entries mean "not made".
std::vector<CZoomKeyFrame*> ChooseKeyFrames(float ratio, CZoomKeyFrame* a, CZoomKeyFrame* b, CZoomKeyFrame* c,
                                            CZoomKeyFrame* fit);

class CPreRenderKeyFrame : public CPreRender, public FCMessageWindow {
 public:
  explicit CPreRenderKeyFrame(CViewRender* view);
  ~CPreRenderKeyFrame() override;

  HBITMAP GetBitmap(bool complete_only) override;
  void Draw(HDC target, int left, int top, int right, int bottom) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  bool zoom_frames_requested() const { return zoom_requested_ != 0; }
  bool HasZoomFrame(float ratio) const;

 private:
  void SetFitBitmap(HBITMAP bitmap);
  void PushFitViewTask(int mode);
  void RequestZoomFrames();
  void TakeZoomFrames(class CAsyncCreateZoomContext* task);
  void ResetZoom();

  CViewRender* view_;
  int zoom_requested_ = 0;
  CFitViewFrame fit_;
  HWND view_window_;
  Microsoft::WRL::ComPtr<ID2D1DCRenderTarget> target_;
  ZoomKeyFramePtr frame_2x_, frame_4x_, frame_full_;
};

}  // namespace view_render

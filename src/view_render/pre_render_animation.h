// The frame source of animated GIF pictures: the first frame at once, then every frame
// decoded in the background and played in a loop on a window timer.
#pragma once
#include <deque>
#include <memory>
#include <vector>

#include "image/fc_obj_image.h"
#include "view_render/message_window.h"
#include "view_render/view_render.h"

namespace view_render {

constexpr UINT kMsgAnimationDecoded = WM_APP + 0x1FB;
constexpr UINT_PTR kAnimationTimer = 100;
// Frames beyond this much memory are not kept: the picture then stays on its first frame.
constexpr unsigned long long kAnimationMemoryBudget = 512ULL << 20;

struct AnimationFrame {
  FCObjImagePtr image;
  int delay_ms = 0;
};

namespace animation {
// Frame delays in milliseconds from the GIF's delay values (hundredths of a second);
// 0 means 100 ms.
std::vector<int> DelaysFromHundredths(const std::vector<unsigned>& values);
// The first timer interval: short delays run at 10 ms.
inline int FirstInterval(int delay_ms) { return delay_ms <= 30 ? 10 : delay_ms; }
// Bytes all frames of a picture take at 24 bits per pixel.
unsigned long long FramesMemory(int width, int height, size_t frames);
}  // namespace animation

class CPreRenderAnimation : public CPreRender, public FCMessageWindow {
 public:
  explicit CPreRenderAnimation(CViewRender* view);
  ~CPreRenderAnimation() override;

  HBITMAP GetBitmap(bool complete_only) override;
  void Draw(HDC target, int left, int top, int right, int bottom) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  size_t FrameCount() const { return frames_.size(); }
  bool IsPlaying() const { return playing_; }

 private:
  CViewRender* view_;
  std::deque<AnimationFrame> frames_;
  bool playing_ = false;
};

}  // namespace view_render

#include "view_render/pre_render_animation.h"

#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>

#include "app/app_config.h"
#include "image/current_picture.h"
#include "view_render/async_task.h"
#include "view_render/system_cache.h"

using Microsoft::WRL::ComPtr;

namespace view_render {

namespace animation {

std::vector<int> DelaysFromHundredths(const std::vector<unsigned>& values) {
  std::vector<int> delays;
  for (unsigned v : values) delays.push_back(v == 0 ? 100 : static_cast<int>(std::min<unsigned>(v, 0x7FFFFFF) * 10));
  return delays;
}

unsigned long long FramesMemory(int width, int height, size_t frames) {
  const unsigned long long stride = ((24ULL * static_cast<unsigned>(width) + 31) / 32) * 4;
  return stride * static_cast<unsigned>(height) * frames;
}

}  // namespace animation

namespace {

class CAsyncLoadAnimation : public CAsyncTask {
 public:
  CAsyncLoadAnimation(HWND result_window, std::wstring path) : result_window_(result_window), path_(std::move(path)) {}

  void Run() override {
    std::unique_ptr<Gdiplus::Bitmap> gif(Gdiplus::Bitmap::FromFile(path_.c_str(), FALSE));
    if (!gif || gif->GetLastStatus() != Gdiplus::Ok) return;
    GUID time_dimension = Gdiplus::FrameDimensionTime;
    const UINT count = gif->GetFrameCount(&time_dimension);
    if (count < 2) return;
    const UINT size = gif->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size < sizeof(Gdiplus::PropertyItem) + 4) return;
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gif->GetPropertyItem(PropertyTagFrameDelay, size, item) != Gdiplus::Ok || item->length < 4) return;
    std::vector<unsigned> values(item->length / 4);
    memcpy(values.data(), item->value, values.size() * 4);
    std::vector<int> delays = animation::DelaysFromHundredths(values);
    if (delays.size() != count) return;
    const int w = static_cast<int>(gif->GetWidth()), h = static_cast<int>(gif->GetHeight());
    // Frames are kept whole in memory; past the budget the picture stays still.
    if (animation::FramesMemory(w, h, count) > kAnimationMemoryBudget) return;
    HBRUSH canvas = CAppConfig::Instance().canvas_brush();
    for (UINT i = 0; i < count && IsRunning() && ::IsWindow(result_window_); ++i) {
      if (gif->SelectActiveFrame(&time_dimension, i) != Gdiplus::Ok) break;
      auto image = std::make_shared<FCObjImage>();
      if (!image->Create(w, h, 24)) break;  // out of memory: keep what was decoded
      {
        MemoryDcScope scope(image->GetHandle(), canvas);
        Gdiplus::Graphics graphics(scope.dc());
        graphics.DrawImage(gif.get(), 0, 0, w, h);
      }
      frames_.push_back(AnimationFrame{image, delays[i]});
    }
  }
  void OnComplete() override {
    if (::IsWindow(result_window_))
      ::SendMessageW(result_window_, kMsgAnimationDecoded, reinterpret_cast<WPARAM>(this), 0);
  }
  std::deque<AnimationFrame> frames_;

 private:
  HWND result_window_;
  std::wstring path_;
};

}  // namespace

CPreRenderAnimation::CPreRenderAnimation(CViewRender* view) : view_(view) {
  Create(nullptr);
  CurrentPicture& picture = CurrentPicture::Instance();
  if (const LoaderPtr& loader = picture.loader()) {
    ComPtr<IWICBitmap> first = loader->GetBitmap(false);
    auto image = std::make_shared<FCObjImage>();
    if (first && image->CreateFromWicSource(first.Get(), GUID_WICPixelFormat32bppPBGRA))
      frames_.push_back(AnimationFrame{image, 0});
  }
  picture.Queue().Push(new CAsyncLoadAnimation(m_hWnd, picture.path()));
  CSystemCache::Instance().Resume();  // the picture is on screen
}

CPreRenderAnimation::~CPreRenderAnimation() {
  Destroy();  // the timer goes with the window; late frames find no window
  frames_.clear();
}

HBITMAP CPreRenderAnimation::GetBitmap(bool) { return frames_.empty() ? nullptr : frames_.front().image->GetHandle(); }

void CPreRenderAnimation::Draw(HDC target, int left, int top, int right, int bottom) {
  if (!frames_.empty()) frames_.front().image->Draw(target, left, top, right, bottom);
}

LRESULT CPreRenderAnimation::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kMsgAnimationDecoded: {
      auto* task = reinterpret_cast<CAsyncLoadAnimation*>(wp);
      if (task->frames_.empty()) return 0;
      frames_.swap(task->frames_);
      playing_ = true;
      ::SetTimer(m_hWnd, kAnimationTimer, animation::FirstInterval(frames_.front().delay_ms), nullptr);
      return 0;
    }
    case WM_TIMER:
      if (wp != kAnimationTimer || frames_.empty()) return 0;
      {
        AnimationFrame shown = frames_.front();
        frames_.pop_front();
        frames_.push_back(shown);
        view_->Refresh();
        if (frames_.front().delay_ms != shown.delay_ms)
          ::SetTimer(m_hWnd, kAnimationTimer, frames_.front().delay_ms, nullptr);
      }
      return 0;
  }
  return FCMessageWindow::WindowProc(msg, wp, lp);
}

}  // namespace view_render

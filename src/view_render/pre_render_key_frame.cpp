#include "view_render/pre_render_key_frame.h"

#include <d2d1_1.h>
#include <wincodec.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "app/app_config.h"
#include "app/zelto_app.h"
#include "basic_lib/win32_system.h"
#include "effects/image_effect.h"
#include "image/current_picture.h"
#include "image/fc_obj_image.h"
#include "image/image_classify.h"
#include "view_render/async_task.h"
#include "view_render/system_cache.h"

using Microsoft::WRL::ComPtr;

namespace view_render {
namespace {

ID2D1Factory* D2DFactory() {
  static ID2D1Factory* factory = nullptr;
  static std::once_flag made;
  std::call_once(made, [] {
    D2D1_FACTORY_OPTIONS options{D2D1_DEBUG_LEVEL_NONE};
    if (FAILED(::D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory), &options,
                                   reinterpret_cast<void**>(&factory))))
      factory = nullptr;
  });
  return factory;
}

unsigned long long PixelCount(int w, int h) {
  return static_cast<unsigned long long>(std::max(w, 0)) * static_cast<unsigned long long>(std::max(h, 0));
}

// A Direct2D bitmap of a WIC source, premultiplied as Direct2D wants.
ComPtr<ID2D1Bitmap> MakeD2DBitmap(ID2D1RenderTarget* target, IWICBitmapSource* source) {
  ComPtr<ID2D1Bitmap> bitmap;
  ComPtr<IWICBitmapSource> premultiplied;
  if (!target || !source ||
      FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, source, &premultiplied)))
    return bitmap;
  target->CreateBitmapFromWicBitmap(premultiplied.Get(), nullptr, &bitmap);
  return bitmap;
}

bool DrawD2DBitmap(ID2D1RenderTarget* target, ID2D1Bitmap* bitmap, int left, int top, int right, int bottom) {
  D2D1_SIZE_U size = bitmap->GetPixelSize();
  if (size.width == 0) return false;
  D2D1_RECT_F dest = D2D1::RectF(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                                 static_cast<float>(bottom));
  float scale = static_cast<float>(right - left) / static_cast<float>(size.width);
  // Strong reductions look better with several samples per pixel, where offered.
  ComPtr<ID2D1DeviceContext> context;
  if (scale < 0.5f && SUCCEEDED(target->QueryInterface(IID_PPV_ARGS(&context)))) {
    context->DrawBitmap(bitmap, &dest, 1.0f, D2D1_INTERPOLATION_MODE_MULTI_SAMPLE_LINEAR, nullptr, nullptr);
  } else {
    target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  }
  return true;
}

// Key frames are drawn over the canvas colour once, as the fit bitmap is, so that
// transparent parts show it at every zoom whatever the render target keeps beneath.
void FlattenOverCanvas(FCObjImage& straight_bgra) {
  const COLORREF canvas = CAppConfig::Instance().canvas_back_color;
  const int cb = GetBValue(canvas), cg = GetGValue(canvas), cr = GetRValue(canvas);
  for (int y = 0; y < straight_bgra.Height(); ++y) {
    BYTE* p = straight_bgra.RowAt(y);
    for (int x = 0; x < straight_bgra.Width(); ++x, p += 4) {
      const int a = p[3];
      if (a == 255) continue;
      p[0] = static_cast<BYTE>((p[0] * a + cb * (255 - a) + 127) / 255);
      p[1] = static_cast<BYTE>((p[1] * a + cg * (255 - a) + 127) / 255);
      p[2] = static_cast<BYTE>((p[2] * a + cr * (255 - a) + 127) / 255);
      p[3] = 255;
    }
  }
}

// The fit bitmap: from the shell's thumbnails where they serve, else decoded.
class CAsyncCreateFitView : public CAsyncTask {
 public:
  CAsyncCreateFitView(HWND result_window, int width, int height, int mode)
      : loader_(CurrentPicture::Instance().loader()),
        path_(CurrentPicture::Instance().path()),
        result_window_(result_window),
        width_(width),
        height_(height),
        mode_(mode),
        had_preview_(CurrentPicture::Instance().preview() != nullptr) {
    if (loader_) {
      transform_ = OrientationToTransform(loader_->metadata().orientation);
      if (CAppConfig::Instance().ignore_embedded_icc) color_context_ = loader_->color_context();
    }
  }
  ~CAsyncCreateFitView() override {
    if (bitmap_) ::DeleteObject(bitmap_);
  }
  void Run() override {
    if (!had_preview_ && IsWritableFormat(ClassifyImageFile(path_))) {
      if (mode_ == 0) {
        SystemThumbnail large(path_, 0, 2);
        if (large.ok() && ThumbnailToBitmap(large, width_, height_, &bitmap_, transform_, color_context_.Get())) {
          const int limit = win32_system::IsWindows10OrLater() ? 1280 : 1080;
          refine_ = std::max(width_, height_) > limit ? 1 : 0;
          return;
        }
      }
      SystemThumbnail exact(path_, static_cast<UINT>(std::max(width_, height_)), 1);
      if (exact.ok() && ThumbnailToBitmap(exact, width_, height_, &bitmap_, transform_, color_context_.Get()) &&
          exact.quality() != 1)
        return;
    }
    refine_ = 0;
    if (loader_) loader_->CreateDisplayBitmap(width_, height_, &bitmap_);
  }
  void OnComplete() override {
    if (::IsWindow(result_window_)) ::SendMessageW(result_window_, kMsgFitViewReady, reinterpret_cast<WPARAM>(this), 0);
  }
  // The receiver takes the bitmap over.
  HBITMAP TakeBitmap() { return std::exchange(bitmap_, nullptr); }
  int refine() const { return refine_; }

 private:
  LoaderPtr loader_;
  std::wstring path_;
  HWND result_window_;
  int width_, height_, mode_;
  bool had_preview_;
  WICBitmapTransformOptions transform_ = WICBitmapTransformRotate0;
  ComPtr<IWICColorContext> color_context_;
  HBITMAP bitmap_ = nullptr;
  int refine_ = 0;
};

}  // namespace

// Key frames of the whole picture at 2x and 4x the fit and at full size.
class CAsyncCreateZoomContext : public CAsyncTask {
 public:
  CAsyncCreateZoomContext(HWND result_window, float fit_ratio, ID2D1RenderTarget* target, int width, int height)
      : loader_(CurrentPicture::Instance().loader()),
        result_window_(result_window),
        fit_ratio_(fit_ratio),
        width_(width),
        height_(height),
        target_(target),
        apply_icc_(!CAppConfig::Instance().ignore_embedded_icc) {}

  void Run() override {
    if (!loader_) return;
    // A picture of our own: the effect below must never reach the loader's frame.
    ComPtr<IWICBitmap> full = loader_->GetBitmap(apply_icc_);
    if (full) {
      WICRect all{0, 0, width_, height_};
      ComPtr<IWICBitmapLock> lock;
      UINT stride = 0, size = 0;
      BYTE* pixels = nullptr;
      if (SUCCEEDED(full->Lock(&all, WICBitmapLockRead | WICBitmapLockWrite, &lock)) &&
          SUCCEEDED(lock->GetStride(&stride)) && SUCCEEDED(lock->GetDataPointer(&size, &pixels)) &&
          stride == static_cast<UINT>(width_) * 4) {
        FCObjImage view;
        view.AttachPixels(width_, height_, pixels);
        view_effect::ApplyCurrentEffect(view, running_flag());
        FlattenOverCanvas(view);
        view.DetachPixels();
      }
    }
    if (!target_ || !full || !::IsWindow(result_window_)) return;
    if (2 * fit_ratio_ < 1.0f) {
      frame_2x_ = MakeFrame(full.Get(), 2 * fit_ratio_);
      if (!Deliver()) return;
    }
    if (frame_2x_ && 4 * fit_ratio_ < 1.0f) {
      frame_4x_ = MakeFrame(full.Get(), 4 * fit_ratio_);
      if (!Deliver()) return;
    }
    frame_full_ = std::make_shared<CZoomKeyFrame>(1.0f);
    frame_full_->bitmap = MakeD2DBitmap(target_.Get(), full.Get());
    if (!frame_full_->bitmap) MakeGdiplusFallback(full.Get());
  }
  void OnComplete() override {
    if (::IsWindow(result_window_)) ::SendMessageW(result_window_, kMsgZoomFrames, reinterpret_cast<WPARAM>(this), 0);
  }
  ZoomKeyFramePtr frame_2x_, frame_4x_, frame_full_;

 private:
  ZoomKeyFramePtr MakeFrame(IWICBitmap* full, float k) {
    if (!IsRunning()) return nullptr;
    const int zw = CZoomLayout::ZoomedExtent(width_, k), zh = CZoomLayout::ZoomedExtent(height_, k);
    ComPtr<IWICBitmapSource> scaled = ScaleSource(full, zw, zh, WICBitmapInterpolationModeFant);
    auto frame = std::make_shared<CZoomKeyFrame>(k);
    if (scaled) frame->bitmap = MakeD2DBitmap(target_.Get(), scaled.Get());
    return frame->bitmap ? frame : nullptr;
  }
  bool Deliver() {
    SendThroughQueue(result_window_, kMsgZoomFrames, reinterpret_cast<WPARAM>(this), 0);
    return ::IsWindow(result_window_) && IsRunning();
  }
  void MakeGdiplusFallback(IWICBitmap* full) {
    const unsigned long long bytes = PixelCount(width_, height_) * 4;
    if (bytes == 0 || bytes > 0x7FFFFFFFULL) return;
    frame_full_->fallback_pixels.resize(static_cast<size_t>(bytes));
    if (FAILED(full->CopyPixels(nullptr, width_ * 4, static_cast<UINT>(bytes), frame_full_->fallback_pixels.data())))
      return;
    frame_full_->fallback = std::make_unique<Gdiplus::Bitmap>(width_, height_, width_ * 4, PixelFormat32bppARGB,
                                                              frame_full_->fallback_pixels.data());
  }

  LoaderPtr loader_;
  HWND result_window_;
  float fit_ratio_;
  int width_, height_;
  ComPtr<ID2D1RenderTarget> target_;
  bool apply_icc_;
};

CZoomKeyFrame::~CZoomKeyFrame() = default;

bool CZoomKeyFrame::DrawFrame(ID2D1RenderTarget* target, int left, int top, int right, int bottom) {
  return bitmap && DrawD2DBitmap(target, bitmap.Get(), left, top, right, bottom);
}

CFitViewFrame::~CFitViewFrame() {
  if (fit_bitmap) ::DeleteObject(fit_bitmap);
}

bool CFitViewFrame::DrawFrame(ID2D1RenderTarget* target, int left, int top, int right, int bottom) {
  if (!bitmap && fit_bitmap) {
    IWICImagingFactory* factory = GetWICFactory();
    ComPtr<IWICBitmap> wic;
    if (factory && SUCCEEDED(factory->CreateBitmapFromHBITMAP(fit_bitmap, nullptr, WICBitmapIgnoreAlpha, &wic)))
      bitmap = MakeD2DBitmap(target, wic.Get());
  }
  return CZoomKeyFrame::DrawFrame(target, left, top, right, bottom);
}

std::vector<CZoomKeyFrame*> ChooseKeyFrames(float q, CZoomKeyFrame* a, CZoomKeyFrame* b, CZoomKeyFrame* c,
                                            CZoomKeyFrame* fit) {
  std::vector<CZoomKeyFrame*> order;
  if (b) {
    if (q > b->ratio())
      order = {c, b};
    else if (a && q > a->ratio())
      order = {b};
    else
      order = {a};
  } else if (a) {
    order = q > a->ratio() ? std::vector<CZoomKeyFrame*>{c, a} : std::vector<CZoomKeyFrame*>{a};
  } else {
    order = {c};
  }
  order.push_back(fit);
  order.erase(std::remove(order.begin(), order.end(), nullptr), order.end());
  return order;
}

CPreRenderKeyFrame::CPreRenderKeyFrame(CViewRender* view)
    : view_(view),
      fit_(view->ratio(), view->layout().geometry().zoomed_width(), view->layout().geometry().zoomed_height()),
      view_window_(view->window()) {
  Create(nullptr);
  const LoaderPtr& loader = CurrentPicture::Instance().loader();
  if (!loader) return;
  // 64 bits: a giant picture must never be fitted here, on the window thread.
  CSystemCache& cache = CSystemCache::Instance();
  if (PixelCount(view->layout().picture_width(), view->layout().picture_height()) <= kSmallPicturePixels) {
    HBITMAP bitmap = nullptr;
    if (loader->CreateDisplayBitmap(fit_.width, fit_.height, &bitmap)) SetFitBitmap(bitmap);
    fit_.complete = 1;
    cache.Resume();
    return;
  }
  HBITMAP prepared = nullptr;
  if (cache.Lookup(fit_.width, fit_.height, &prepared)) {
    SetFitBitmap(prepared);
    fit_.complete = 1;
    cache.Resume();
    return;
  }
  if (prepared) ::DeleteObject(prepared);
  if (cache.WaitFor(m_hWnd)) return;  // the cache's request for this picture will tell us
  PushFitViewTask(0);
}

CPreRenderKeyFrame::~CPreRenderKeyFrame() {
  Destroy();  // late results find no window
  frame_2x_.reset();
  frame_4x_.reset();
  frame_full_.reset();
  target_.Reset();
}

bool CPreRenderKeyFrame::HasZoomFrame(float ratio) const {
  for (const auto& f : {frame_2x_, frame_4x_, frame_full_})
    if (f && f->ratio() == ratio) return true;
  return false;
}

HBITMAP CPreRenderKeyFrame::GetBitmap(bool complete_only) {
  if (complete_only && !fit_.complete) return nullptr;
  return fit_.fit_bitmap;
}

void CPreRenderKeyFrame::SetFitBitmap(HBITMAP bitmap) {
  if (!fit_.fit_bitmap && view_window_) ::PostMessageW(view_window_, kMsgFirstBitmap, 0, 0);
  if (fit_.fit_bitmap) ::DeleteObject(fit_.fit_bitmap);
  fit_.fit_bitmap = bitmap;
  fit_.bitmap.Reset();
}

void CPreRenderKeyFrame::PushFitViewTask(int mode) {
  CurrentPicture::Instance().Queue().Push(new CAsyncCreateFitView(m_hWnd, fit_.width, fit_.height, mode));
}

void CPreRenderKeyFrame::Draw(HDC target, int left, int top, int right, int bottom) {
  const float q = view_->ratio();
  if (q <= fit_.ratio()) {
    if (!fit_.fit_bitmap) return;
    BITMAP bm{};
    ::GetObjectW(fit_.fit_bitmap, sizeof(bm), &bm);
    HDC memory = ::CreateCompatibleDC(target);
    HGDIOBJ old = ::SelectObject(memory, fit_.fit_bitmap);
    ::SetBkMode(memory, TRANSPARENT);
    ::SetStretchBltMode(memory, COLORONCOLOR);
    int old_mode = ::SetStretchBltMode(target, COLORONCOLOR);
    ::StretchBlt(target, left, top, right - left, bottom - top, memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    ::SetStretchBltMode(target, old_mode);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    return;
  }
  if (!zoom_requested_) {
    zoom_requested_ = 1;
    RequestZoomFrames();
  }
  if (!target_) return;
  std::vector<CZoomKeyFrame*> order =
      ChooseKeyFrames(q, frame_2x_.get(), frame_4x_.get(), frame_full_.get(), &fit_);
  if (!order.empty() && order.front() == frame_full_.get() && !frame_full_->bitmap && frame_full_->fallback) {
    Gdiplus::Graphics graphics(target);
    graphics.DrawImage(frame_full_->fallback.get(), left, top, right - left, bottom - top);
    return;
  }
  BITMAP bm{};
  HGDIOBJ selected = ::GetCurrentObject(target, OBJ_BITMAP);
  if (!selected || !::GetObjectW(selected, sizeof(bm), &bm) || bm.bmWidth == 0) return;
  // Bind only the part the picture covers: some platforms write the whole bound
  // rectangle back, which would paint over the canvas around the picture.
  RECT whole{0, 0, bm.bmWidth, bm.bmHeight}, picture{left, top, right, bottom}, bound{};
  if (!::IntersectRect(&bound, &whole, &picture)) return;
  // Only what the DC lets through is worth rendering: after a pan, the exposed strips.
  RECT clip{};
  const int clip_kind = ::GetClipBox(target, &clip);
  if (clip_kind == NULLREGION) return;
  if (clip_kind != ERROR && !::IntersectRect(&bound, &bound, &clip)) return;
  if (FAILED(target_->BindDC(target, &bound))) return;
  target_->BeginDraw();
  target_->SetTransform(D2D1::Matrix3x2F::Identity());
  for (CZoomKeyFrame* frame : order)
    if (frame->DrawFrame(target_.Get(), left - bound.left, top - bound.top, right - bound.left, bottom - bound.top))
      break;
  if (target_->EndDraw() == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) ResetZoom();
}

void CPreRenderKeyFrame::RequestZoomFrames() {
  ID2D1Factory* factory = D2DFactory();
  if (!factory) return;
  D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED));
  if (!CAppConfig::Instance().hardware_zoom || FAILED(factory->CreateDCRenderTarget(&props, &target_))) {
    props.type = D2D1_RENDER_TARGET_TYPE_SOFTWARE;
    if (FAILED(factory->CreateDCRenderTarget(&props, &target_))) {
      target_.Reset();
      return;
    }
  }
  const int pw = view_->layout().picture_width(), ph = view_->layout().picture_height();
  auto* task = new CAsyncCreateZoomContext(m_hWnd, view_->layout().presets().fit_ratio, target_.Get(), pw, ph);
  if (PixelCount(pw, ph) > kSmallPicturePixels) {
    CurrentPicture::Instance().Queue().Push(task);
    return;
  }
  task->Run();
  TakeZoomFrames(task);
  delete task;
}

void CPreRenderKeyFrame::TakeZoomFrames(CAsyncCreateZoomContext* task) {
  if (task->frame_2x_) frame_2x_ = task->frame_2x_;
  if (task->frame_4x_) frame_4x_ = task->frame_4x_;
  if (task->frame_full_) frame_full_ = task->frame_full_;
}

void CPreRenderKeyFrame::ResetZoom() {
  Destroy();
  Create(nullptr);
  zoom_requested_ = 0;
  fit_.bitmap.Reset();
  target_.Reset();
  frame_2x_.reset();
  frame_4x_.reset();
  frame_full_.reset();
}

LRESULT CPreRenderKeyFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kMsgFitViewReady: {
      auto* task = reinterpret_cast<CAsyncCreateFitView*>(wp);
      if (HBITMAP bitmap = task->TakeBitmap()) SetFitBitmap(bitmap);
      if (task->refine())
        PushFitViewTask(1);
      else
        fit_.complete = 1;
      CSystemCache::Instance().Resume();
      view_->Refresh();
      return 0;
    }
    case kMsgZoomFrames:
      TakeZoomFrames(reinterpret_cast<CAsyncCreateZoomContext*>(wp));
      view_->Refresh();
      return 0;
    case kMsgCacheReady: {
      HBITMAP bitmap = nullptr;
      if (CSystemCache::Instance().Lookup(fit_.width, fit_.height, &bitmap)) {
        SetFitBitmap(bitmap);
        fit_.complete = 1;
      } else {
        if (bitmap) SetFitBitmap(bitmap);  // for now; the decode replaces it
        PushFitViewTask(1);
      }
      CSystemCache::Instance().Resume();
      view_->Refresh();
      return 0;
    }
  }
  return FCMessageWindow::WindowProc(msg, wp, lp);
}

}  // namespace view_render

// Prints what zooming, panning and painting a 6000x4000 picture in a 1920x1080 view
// cost, next to a bare blit of the view as the floor. Figures only; it judges nothing.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <functional>

#include "common/message_pump.h"
#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "bench_pictures.h"
#include "image/current_picture.h"
#include "view_render/pre_render_key_frame.h"
#include "view_render/view_render.h"

namespace {


}  // namespace

int wmain() {
  FCAutoInitializeCOM com;
  FCAutoInitGDIPlus gdiplus;
  if (!CreateWICFactory()) return 1;
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"vantor-view-bench.jpg";
  if (!WriteBenchPicture(path, GUID_ContainerFormatJpeg, 6000, 4000)) return 1;
  CurrentPicture::Instance().SetPath(path);

  const int w = 1920, h = 1080;
  view_render::CViewRender view(w, h, nullptr, nullptr);
  auto* source = static_cast<view_render::CPreRenderKeyFrame*>(view.frame_source());
  PumpMessagesUntil([&] { return view.frame_source()->GetBitmap(true) != nullptr; }, 60000);
  const float fit = view.ratio();
  // Ask for the key frames once and wait until all of them are there.
  view.ZoomTo(fit * 1.5f, w / 2, h / 2);
  PumpMessagesUntil([&] { return source->HasZoomFrame(1.0f); }, 120000);

  const int runs = 15;
  bool flip = false;
  auto zoom_between = [&](float a, float b) {
    return MedianMs(runs, [&] {
      flip = !flip;
      view.ZoomTo(flip ? a : b, w / 2, h / 2);
    });
  };
  double below = zoom_between(fit * 1.8f, fit * 2.2f);  // between the fit and 1:1
  double above = zoom_between(1.4f, 1.6f);
  view.ZoomTo(1.0f, w / 2, h / 2);
  double pan = MedianMs(runs, [&] {
    flip = !flip;
    view.Pan(flip ? 40 : -40, 0);
  });

  HDC screen = ::GetDC(nullptr);
  HDC target = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(target, bitmap);
  double paint = MedianMs(runs, [&] { view.Paint(target, w, h, false); });
  double blit = MedianMs(runs, [&] { ::BitBlt(target, 0, 0, w, h, *view.buffer(), 0, 0, SRCCOPY); });
  ::SelectObject(target, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(target);

  wprintf(L"6000x4000 JPEG in a %dx%d view (fit %.3f), medians of %d:\n", w, h, fit, runs);
  wprintf(L"  zoom step between fit and 1:1   %7.2f ms\n", below);
  wprintf(L"  zoom step above 1:1             %7.2f ms\n", above);
  wprintf(L"  pan of 40 pixels                %7.2f ms\n", pan);
  wprintf(L"  plain paint                     %7.2f ms\n", paint);
  wprintf(L"  bare blit of the view           %7.2f ms  (paint / blit %.2f)\n", blit, paint / blit);
  CurrentPicture::Instance().Reset();
  ::DeleteFileW(path.c_str());
  ReleaseWICFactory();
  return 0;
}

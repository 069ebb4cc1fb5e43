#include "view_render/view_render.h"

#include <gtest/gtest.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <functional>
#include <vector>

#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "common/message_pump.h"
#include "common/imaging_test.h"
#include "common/test_files.h"
#include "image/current_picture.h"
#include "view_render/pre_render_key_frame.h"

using Microsoft::WRL::ComPtr;
using view_render::CViewRender;

namespace {

constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kCanvas = 0x272727;


// A picture in four coloured quadrants: red, green above; blue, white below.
bool WriteQuadrants(const std::wstring& path, UINT w, UINT h) {
  std::vector<BYTE> px(static_cast<size_t>(w) * h * 3);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      DWORD c = y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite);
      BYTE* p = &px[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = (c >> 16) & 0xFF;
    }
  IWICImagingFactory* f = GetWICFactory();
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  return SUCCEEDED(f->CreateStream(&stream)) && SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(f->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
         SUCCEEDED(frame->SetSize(w, h)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(h, w * 3, static_cast<UINT>(px.size()), px.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

class ViewRenderTest : public ImagingTest {
 protected:
  static void SetUpTestSuite() {
    ImagingTest::SetUpTestSuite();
    dir_ = new TempDir();
    ASSERT_TRUE(WriteQuadrants(dir_->File(L"big.png"), 4000, 3000));
  }
  static void TearDownTestSuite() {
    CurrentPicture::Instance().Reset();  // lets go of the file before its folder goes
    delete dir_;
    ImagingTest::TearDownTestSuite();
  }
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 700, nullptr, nullptr, nullptr, nullptr);
    CurrentPicture::Instance().SetPath(dir_->File(L"big.png"));
    ASSERT_TRUE(CurrentPicture::Instance().IsLoaded());
  }
  void TearDown() override { ::DestroyWindow(window_); }

  // The back buffer's pixel as 0xRRGGBB.
  static DWORD At(CViewRender& view, int x, int y) {
    ::GdiFlush();
    COLORREF c = ::GetPixel(*view.buffer(), x, y);
    return static_cast<DWORD>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  }
  static view_render::CPreRenderKeyFrame* Source(CViewRender& view) {
    return static_cast<view_render::CPreRenderKeyFrame*>(view.frame_source());
  }
  // The four quadrant colours around a point of the view, d pixels away.
  static void ExpectQuadrantsAround(CViewRender& view, int x, int y, int d) {
    EXPECT_EQ(At(view, x - d, y - d), kRed);
    EXPECT_EQ(At(view, x + d, y - d), kGreen);
    EXPECT_EQ(At(view, x - d, y + d), kBlue);
    EXPECT_EQ(At(view, x + d, y + d), kWhite);
  }

  HWND window_ = nullptr;
  static TempDir* dir_;
};
TempDir* ViewRenderTest::dir_ = nullptr;

TEST_F(ViewRenderTest, PixelsLandWhereTheGeometrySays) {
  bool loading = false;
  CViewRender view(800, 700, window_, &loading);
  EXPECT_TRUE(loading) << "a large picture is fitted in the background";
  ASSERT_TRUE(PumpMessagesUntil([&] { return view.frame_source()->GetBitmap(true) != nullptr; }));
  // Fit: 0.2, 800x600 centred, canvas above and below.
  EXPECT_FLOAT_EQ(view.ratio(), 0.2f);
  ExpectQuadrantsAround(view, 400, 350, 150);
  EXPECT_EQ(At(view, 400, 20), kCanvas);
  EXPECT_EQ(At(view, 400, 680), kCanvas);

  // Twice the fit, from its key frame, anchored at the centre.
  ASSERT_TRUE(view.ZoomTo(0.4f, 400, 350));
  ASSERT_TRUE(PumpMessagesUntil([&] { return Source(view)->HasZoomFrame(0.4f); }));
  EXPECT_TRUE(Source(view)->zoom_frames_requested());
  ExpectQuadrantsAround(view, 400, 350, 100);

  // Actual size, from the full frame.
  ASSERT_TRUE(view.ZoomTo(1.0f, 400, 350));
  ASSERT_TRUE(PumpMessagesUntil([&] { return Source(view)->HasZoomFrame(1.0f); }));
  view.RenderBackBuffer();
  ExpectQuadrantsAround(view, 400, 350, 100);

  // A pan moves what is there and renders the new strip.
  ASSERT_TRUE(view.Pan(100, -60));
  ExpectQuadrantsAround(view, 500, 290, 50);
  EXPECT_EQ(At(view, 5, 5), kRed) << "the strip that came into view is rendered";
  EXPECT_EQ(At(view, 795, 695), kWhite);
}

TEST_F(ViewRenderTest, FitBitmapForAnOldSizeNeverArrives) {
  CViewRender view(800, 700, window_, nullptr);
  view.SetViewSize(500, 400);  // before the first size's bitmap could arrive
  ASSERT_TRUE(PumpMessagesUntil([&] { return view.frame_source()->GetBitmap(true) != nullptr; }));
  PumpMessagesUntil([] { return false; }, 500);  // anything late would have come by now
  BITMAP bm{};
  ::GetObjectW(view.frame_source()->GetBitmap(false), sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 500);
  EXPECT_EQ(bm.bmHeight, 375);
  ExpectQuadrantsAround(view, 250, 200, 100);
}

TEST_F(ViewRenderTest, TransparentPartsShowTheCanvasAtEveryZoom) {
  CurrentPicture::Instance().SetPath(TestDataFolder() + L"tbrn2c08.png");  // 32x32, (0,0) transparent
  ASSERT_TRUE(CurrentPicture::Instance().IsLoaded());
  CViewRender view(400, 300, window_, nullptr);
  for (float ratio : {1.0f, 2.0f, 4.0f}) {
    view.ZoomTo(ratio, 200, 150);
    if (ratio > 1.0f) {
      ASSERT_TRUE(PumpMessagesUntil([&] { return Source(view)->HasZoomFrame(1.0f); }));
    }
    view.RenderBackBuffer();
    POINT at = view.layout().geometry().Placement();
    const int scale = static_cast<int>(ratio);
    EXPECT_EQ(At(view, at.x + scale / 2, at.y + scale / 2), kCanvas) << ratio;
    EXPECT_EQ(At(view, at.x + 15 * scale + scale / 2, at.y + 16 * scale + scale / 2), 0x9D9D9Du) << ratio;
  }
}

TEST(KeyFrameChoice, NearestSuitableFrameFirstAndTheFitLast) {
  view_render::CZoomKeyFrame a(0.4f), b(0.8f), c(1.0f), fit(0.2f);
  using V = std::vector<view_render::CZoomKeyFrame*>;
  EXPECT_EQ(view_render::ChooseKeyFrames(0.3f, &a, &b, &c, &fit), (V{&a, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(0.5f, &a, &b, &c, &fit), (V{&b, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(0.9f, &a, &b, &c, &fit), (V{&c, &b, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(0.9f, &a, nullptr, &c, &fit), (V{&c, &a, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(0.3f, &a, nullptr, &c, &fit), (V{&a, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(1.5f, nullptr, nullptr, &c, &fit), (V{&c, &fit}));
  EXPECT_EQ(view_render::ChooseKeyFrames(1.5f, nullptr, nullptr, nullptr, &fit), (V{&fit}));
}

}  // namespace

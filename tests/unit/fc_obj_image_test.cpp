#include "image/fc_obj_image.h"

#include <gtest/gtest.h>
#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

TEST(FCObjImage, CreateLaysOutRowsForBothOrders) {
  struct {
    int w, h, bpp, stride;
    bool top_down;
  } cases[] = {{10, 5, 24, 32, false}, {10, -5, 24, 32, true}, {3, 1, 32, 12, false}, {1, 1, 24, 4, false},
               {7, -3, 8, 8, true}};
  for (const auto& c : cases) {
    FCObjImage img;
    ASSERT_TRUE(img.Create(c.w, c.h, c.bpp));
    EXPECT_EQ(img.Stride(), c.stride);
    const int height = c.h < 0 ? -c.h : c.h;
    EXPECT_EQ(img.Height(), height);
    EXPECT_EQ(img.RowAt(0), c.top_down ? img.GetMemStart() : img.GetMemStart() + (height - 1) * c.stride);
    EXPECT_EQ(img.PixelAt(2 % c.w, 0), img.RowAt(0) + (2 % c.w) * (c.bpp / 8));
  }
}

TEST(FCObjImage, FailedCreateLeavesItEmpty) {
  for (auto [w, h, bpp] : {std::tuple{0, 5, 24}, {5, 0, 24}, {5, 5, 16}, {-1, 5, 32}}) {
    FCObjImage img;
    ASSERT_TRUE(img.Create(4, 4, 32));
    EXPECT_FALSE(img.Create(w, h, bpp));
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.Width(), 0);
    EXPECT_EQ(img.GetHandle(), nullptr);
  }
}

TEST(FCObjImage, CopyAndSwap) {
  FCObjImage a, b, empty;
  ASSERT_TRUE(a.Create(3, -2, 32));
  a.PixelAt(2, 1)[0] = 77;
  a.x = 5;
  b.CopyFrom(a);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.PixelAt(2, 1)[0], 77);
  EXPECT_NE(b.GetMemStart(), a.GetMemStart());
  EXPECT_EQ(b.x, 5);
  b.CopyFrom(b);
  EXPECT_EQ(b.PixelAt(2, 1)[0], 77);
  b.CopyFrom(empty);
  EXPECT_FALSE(b.IsValid());

  FCObjImage c;
  c.x = 9;
  BYTE* pixels = a.GetMemStart();
  c.SwapWith(a);
  EXPECT_EQ(c.GetMemStart(), pixels);
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(c.x, 9);
  EXPECT_EQ(a.x, 5);
}

TEST(FCObjImage, AttachedViewNeverFreesForeignMemory) {
  std::vector<BYTE> memory(4 * 3 * 2, 0x11);
  {
    FCObjImage view;
    view.AttachPixels(3, 2, memory.data());
    ASSERT_TRUE(view.IsValid());
    EXPECT_EQ(view.RowAt(1), memory.data() + 12);
    view.PixelAt(1, 1)[2] = 0x99;
    view.DetachPixels();
  }
  EXPECT_EQ(memory[12 + 4 + 2], 0x99);
}

class WicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_PPV_ARGS(&factory_))));
  }
  void TearDown() override {
    factory_.Reset();
    ::CoUninitialize();
  }
  ComPtr<IWICImagingFactory> factory_;
};

TEST_F(WicTest, CreateFromWicSourceCopiesConvertedPixelsTopDown) {
  // 2x2 straight BGRA: opaque blue, half-transparent red, opaque green, transparent white.
  BYTE bgra[16] = {255, 0, 0, 255, 0, 0, 255, 128, 0, 255, 0, 255, 255, 255, 255, 0};
  ComPtr<IWICBitmap> source;
  ASSERT_TRUE(SUCCEEDED(factory_->CreateBitmapFromMemory(2, 2, GUID_WICPixelFormat32bppBGRA, 8, sizeof(bgra), bgra,
                                                         &source)));
  FCObjImage img;
  ASSERT_TRUE(img.CreateFromWicSource(source.Get(), GUID_WICPixelFormat32bppPBGRA));
  EXPECT_EQ(img.SignedHeight(), -2);
  EXPECT_EQ(img.ColorBits(), 32);
  const BYTE* p = img.PixelAt(0, 0);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[3], 255);
  p = img.PixelAt(1, 0);  // premultiplied red
  EXPECT_NEAR(p[2], 128, 1);
  EXPECT_EQ(p[3], 128);
  p = img.PixelAt(0, 1);
  EXPECT_EQ(p[1], 255);
  p = img.PixelAt(1, 1);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[3], 0);

  FCObjImage rgb;
  ASSERT_TRUE(rgb.CreateFromWicSource(source.Get(), GUID_WICPixelFormat24bppBGR));
  EXPECT_EQ(rgb.ColorBits(), 24);
  EXPECT_EQ(rgb.PixelAt(0, 1)[1], 255);
  FCObjImage gray;
  EXPECT_FALSE(gray.CreateFromWicSource(source.Get(), GUID_WICPixelFormat8bppGray));
}

// Reads back a 24-bit DIB drawn into by GDI.
struct Canvas {
  FCObjImage image;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = nullptr;
  Canvas(int w, int h, BYTE fill) {
    image.Create(w, -h, 32);
    memset(image.GetMemStart(), fill, image.Stride() * h);
    old = ::SelectObject(dc, image.GetHandle());
  }
  ~Canvas() {
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
  }
  DWORD At(int x, int y) {
    ::GdiFlush();
    const BYTE* p = image.PixelAt(x, y);
    return RGB(p[2], p[1], p[0]);
  }
};

TEST(FCObjImageDraw, TransparentPixelsLeaveTheTargetAndStretchModeIsRestored) {
  FCObjImage clear;
  ASSERT_TRUE(clear.Create(4, 4, 32));
  memset(clear.GetMemStart(), 0, clear.Stride() * 4);
  Canvas canvas(4, 4, 0x40);
  clear.Draw(canvas.dc, 0, 0, 4, 4);
  EXPECT_EQ(canvas.At(2, 2), RGB(0x40, 0x40, 0x40));

  FCObjImage red;
  ASSERT_TRUE(red.Create(8, -8, 24));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      BYTE* p = red.PixelAt(x, y);
      p[0] = 0, p[1] = 0, p[2] = 200;
    }
  ::SetStretchBltMode(canvas.dc, HALFTONE);
  red.Draw(canvas.dc, 1, 1, 3, 3);
  EXPECT_EQ(::GetStretchBltMode(canvas.dc), HALFTONE);
  EXPECT_EQ(canvas.At(1, 1), RGB(200, 0, 0));
  EXPECT_EQ(canvas.At(2, 2), RGB(200, 0, 0));
  EXPECT_EQ(canvas.At(3, 3), RGB(0x40, 0x40, 0x40));
  EXPECT_EQ(canvas.At(0, 0), RGB(0x40, 0x40, 0x40));
}

TEST(FCObjImageDraw, RenderToCompatibleBitmapShowsTheBrushThroughTransparency) {
  FCObjImage half;
  ASSERT_TRUE(half.Create(2, -1, 32));
  BYTE* p = half.PixelAt(0, 0);  // opaque white, then fully transparent
  p[0] = p[1] = p[2] = p[3] = 255;
  memset(half.PixelAt(1, 0), 0, 4);
  HBRUSH brush = ::CreateSolidBrush(RGB(10, 20, 30));
  HBITMAP bitmap = nullptr;
  RenderToCompatibleBitmap(half, brush, &bitmap);
  ASSERT_NE(bitmap, nullptr);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(::GetPixel(dc, 1, 0), RGB(10, 20, 30));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
  ::DeleteObject(brush);
}

TEST(FCObjImageDraw, GdiplusBitmapKeepsItsTopRowOnTop) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  {
    Gdiplus::Bitmap bitmap(1, 2, PixelFormat32bppARGB);
    bitmap.SetPixel(0, 0, Gdiplus::Color(255, 255, 0, 0));
    bitmap.SetPixel(0, 1, Gdiplus::Color(255, 0, 0, 255));
    FCObjImage img;
    ASSERT_TRUE(img.CreateFromGdiplusBitmap(&bitmap, PixelFormat32bppPARGB));
    EXPECT_GT(img.SignedHeight(), 0);  // bottom-up in memory
    EXPECT_EQ(img.PixelAt(0, 0)[2], 255);  // red on top
    EXPECT_EQ(img.PixelAt(0, 1)[0], 255);  // blue below
  }
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace

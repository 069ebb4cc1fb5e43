#include "image/fc_obj_image.h"

#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>

#include <climits>
#include <cstring>
#include <new>
#include <vector>

FCObjImage::~FCObjImage() { Destroy(); }

void FCObjImage::Destroy() {
  delete[] rows_;
  if (bitmap_) ::DeleteObject(bitmap_);
  width_ = height_ = bpp_ = signed_height_ = 0;
  pixels_ = nullptr;
  rows_ = nullptr;
  bitmap_ = nullptr;
}

bool FCObjImage::BuildRows() {
  rows_ = new (std::nothrow) BYTE*[height_];
  if (!rows_) return false;
  const int stride = Stride();
  if (signed_height_ < 0) {
    for (int y = 0; y < height_; ++y) rows_[y] = pixels_ + static_cast<size_t>(y) * stride;
  } else {
    for (int y = 0; y < height_; ++y) rows_[y] = pixels_ + static_cast<size_t>(height_ - 1 - y) * stride;
  }
  return true;
}

bool FCObjImage::Create(int width, int signed_height, int bits_per_pixel) {
  Destroy();
  if (signed_height == 0 || width <= 0) return false;
  if (bits_per_pixel != 8 && bits_per_pixel != 24 && bits_per_pixel != 32) return false;
  width_ = width;
  bpp_ = bits_per_pixel;
  signed_height_ = signed_height;
  height_ = signed_height < 0 ? -signed_height : signed_height;

  // A header, then 256 zero colours for 8-bit images or 16 zero bytes otherwise.
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + (bits_per_pixel <= 8 ? 256 * sizeof(RGBQUAD) : 16), 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = signed_height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bits_per_pixel);
  header->biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  pixels_ = static_cast<BYTE*>(bits);
  if (!pixels_ || !BuildRows()) {
    Destroy();
    return false;
  }
  return true;
}

void FCObjImage::CopyFrom(const FCObjImage& other) {
  if (&other == this) return;
  if (!other.IsValid()) {
    Destroy();
    return;
  }
  if (!Create(other.width_, other.signed_height_, other.bpp_)) return;
  std::memcpy(pixels_, other.pixels_, static_cast<size_t>(Stride()) * height_);
  x = other.x;
  y = other.y;
}

void FCObjImage::SwapWith(FCObjImage& other) {
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(bpp_, other.bpp_);
  std::swap(signed_height_, other.signed_height_);
  std::swap(pixels_, other.pixels_);
  std::swap(rows_, other.rows_);
  std::swap(bitmap_, other.bitmap_);
}

bool FCObjImage::CreateFromWicSource(IWICBitmapSource* source, const GUID& pixel_format) {
  if (!source) return false;
  IWICBitmapSource* converted = nullptr;
  if (FAILED(::WICConvertBitmapSource(pixel_format, source, &converted)) || !converted) return false;
  UINT w = 0, h = 0;
  converted->GetSize(&w, &h);
  int bpp = 0;
  if (IsEqualGUID(pixel_format, GUID_WICPixelFormat24bppBGR))
    bpp = 24;
  else if (IsEqualGUID(pixel_format, GUID_WICPixelFormat32bppBGR) ||
           IsEqualGUID(pixel_format, GUID_WICPixelFormat32bppPBGRA) ||
           IsEqualGUID(pixel_format, GUID_WICPixelFormat32bppBGRA))
    bpp = 32;
  Destroy();
  bool ok = bpp != 0 && h > 0 && w >= 1 && w <= INT_MAX / 32 && h <= static_cast<UINT>(INT_MAX) &&
            Create(static_cast<int>(w), -static_cast<int>(h), bpp);
  if (ok) {
    const UINT stride = static_cast<UINT>(Stride());
    const unsigned long long size = static_cast<unsigned long long>(stride) * h;
    ok = size <= UINT_MAX && SUCCEEDED(converted->CopyPixels(nullptr, stride, static_cast<UINT>(size), pixels_));
  }
  converted->Release();
  return ok;
}

void FCObjImage::AttachPixels(int width, int height, BYTE* pixels) {
  Destroy();
  if (width <= 0 || height <= 0 || !pixels) return;
  width_ = width;
  height_ = height;
  signed_height_ = -height;
  bpp_ = 32;
  pixels_ = pixels;
  if (!BuildRows()) {
    pixels_ = nullptr;
    width_ = height_ = signed_height_ = bpp_ = 0;
  }
}

void FCObjImage::DetachPixels() {
  // The memory is someone else's: only the row table is ours.
  delete[] rows_;
  rows_ = nullptr;
  pixels_ = nullptr;
  bitmap_ = nullptr;
  width_ = height_ = bpp_ = signed_height_ = 0;
}

bool FCObjImage::CreateFromGdiplusBitmap(Gdiplus::Bitmap* bitmap, int gdiplus_pixel_format) {
  if (!bitmap) return false;
  if (!Create(static_cast<int>(bitmap->GetWidth()), static_cast<int>(bitmap->GetHeight()), 32)) return false;
  // A negative stride lets GDI+ write top to bottom into the bottom-up DIB.
  Gdiplus::BitmapData data{};
  data.Width = width_;
  data.Height = height_;
  data.Stride = -Stride();
  data.PixelFormat = gdiplus_pixel_format;
  data.Scan0 = rows_[0];
  Gdiplus::Rect all(0, 0, width_, height_);
  if (bitmap->LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, gdiplus_pixel_format,
                       &data) != Gdiplus::Ok)
    return false;
  bitmap->UnlockBits(&data);
  return true;
}

void FCObjImage::Draw(HDC dc, int left, int top, int right, int bottom, const RECT* src) const {
  if (!IsValid() || !bitmap_) return;
  RECT source{};
  if (src) {
    source = *src;
  } else {
    BITMAP bm{};
    ::GetObjectW(bitmap_, sizeof(bm), &bm);
    source = RECT{0, 0, bm.bmWidth, bm.bmHeight};
  }
  MemoryDcScope memory(bitmap_);
  if (bpp_ == 32) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(dc, left, top, right - left, bottom - top, memory.dc(), source.left, source.top,
                    source.right - source.left, source.bottom - source.top, blend);
  } else {
    int old_mode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, left, top, right - left, bottom - top, memory.dc(), source.left, source.top,
                 source.right - source.left, source.bottom - source.top, SRCCOPY);
    ::SetStretchBltMode(dc, old_mode);
  }
}

MemoryDcScope::MemoryDcScope(HBITMAP bitmap, HBRUSH fill) {
  dc_ = ::CreateCompatibleDC(nullptr);
  old_bitmap_ = ::SelectObject(dc_, bitmap);
  old_font_ = ::GetCurrentObject(dc_, OBJ_FONT);
  ::SetBkMode(dc_, TRANSPARENT);
  ::SetStretchBltMode(dc_, COLORONCOLOR);
  if (fill) {
    BITMAP bm{};
    ::GetObjectW(bitmap, sizeof(bm), &bm);
    RECT all{0, 0, bm.bmWidth, bm.bmHeight};
    ::FillRect(dc_, &all, fill);
  }
}

MemoryDcScope::~MemoryDcScope() {
  ::SelectObject(dc_, old_font_);
  ::SelectObject(dc_, old_bitmap_);
  ::DeleteDC(dc_);
}

void RenderToCompatibleBitmap(const FCObjImage& image, HBRUSH background, HBITMAP* bitmap) {
  if (!bitmap) return;
  if (*bitmap) ::DeleteObject(*bitmap);
  *bitmap = nullptr;
  HDC screen = ::GetDC(nullptr);
  *bitmap = ::CreateCompatibleBitmap(screen, image.Width(), image.Height());
  ::ReleaseDC(nullptr, screen);
  if (!*bitmap) return;
  MemoryDcScope scope(*bitmap, background);
  image.Draw(scope.dc(), 0, 0, image.Width(), image.Height());
}

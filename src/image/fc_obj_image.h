// The one raster type: a DIB section with a table of row pointers in which row 0 is
// always the top row, whatever the memory order. 32-bit pixels are BGRA, premultiplied
// when meant for drawing.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

struct IWICBitmapSource;
namespace Gdiplus {
class Bitmap;
}

class FCObjGraph {
 public:
  FCObjGraph() = default;
  virtual ~FCObjGraph() = default;
  int32_t x = 0;  // carried along by copies; nothing reads it
  int32_t y = 0;
};

class FCObjImage : public FCObjGraph {
 public:
  FCObjImage() = default;
  ~FCObjImage() override;
  FCObjImage(const FCObjImage&) = delete;
  FCObjImage& operator=(const FCObjImage&) = delete;

  // signed_height < 0 lays the rows top-down in memory, > 0 bottom-up.
  bool Create(int width, int signed_height, int bits_per_pixel);
  void Destroy();
  bool IsValid() const { return pixels_ != nullptr; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int ColorBits() const { return bpp_; }
  int SignedHeight() const { return signed_height_; }
  int Stride() const { return ((bpp_ * width_ + 31) / 32) * 4; }
  HBITMAP GetHandle() const { return bitmap_; }
  BYTE* GetMemStart() const { return pixels_; }
  BYTE* RowAt(int y) const { return rows_[y]; }
  BYTE* PixelAt(int x, int y) const { return rows_[y] + x * (bpp_ / 8); }

  void CopyFrom(const FCObjImage& other);
  void SwapWith(FCObjImage& other);

  // Fills the image from a WIC source converted to the given format (24-bit BGR or a
  // 32-bit BGR/BGRA format), top-down, with one CopyPixels into the DIB memory.
  bool CreateFromWicSource(IWICBitmapSource* source, const GUID& pixel_format);
  // A non-owning 32-bit top-down view of memory with stride width * 4. DetachPixels
  // must end the view before the image is destroyed.
  void AttachPixels(int width, int height, BYTE* pixels);
  void DetachPixels();
  // Interface pictures: GDI+ writes the rows straight into the bottom-up DIB memory.
  bool CreateFromGdiplusBitmap(Gdiplus::Bitmap* bitmap, int gdiplus_pixel_format);

  // Draws the image (or src, in image pixels) into left, top, right, bottom: 32-bit
  // images are alpha blended as premultiplied, others stretched colour-on-colour.
  void Draw(HDC dc, int left, int top, int right, int bottom, const RECT* src = nullptr) const;

 private:
  bool BuildRows();

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bpp_ = 0;
  int32_t signed_height_ = 0;
  BYTE* pixels_ = nullptr;
  BYTE** rows_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};

// A memory DC holding a bitmap for the life of the scope: transparent background,
// colour-on-colour stretching, and optionally filled with a brush first.
class MemoryDcScope {
 public:
  explicit MemoryDcScope(HBITMAP bitmap, HBRUSH fill = nullptr);
  ~MemoryDcScope();
  MemoryDcScope(const MemoryDcScope&) = delete;
  MemoryDcScope& operator=(const MemoryDcScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_bitmap_;
  HGDIOBJ old_font_;
};

// Replaces *bitmap (deleting the old one) by a device-dependent bitmap of the image drawn
// over the brush, so transparent parts show the brush's colour. The caller owns it.
void RenderToCompatibleBitmap(const FCObjImage& image, HBRUSH background, HBITMAP* bitmap);

using FCObjImagePtr = std::shared_ptr<FCObjImage>;

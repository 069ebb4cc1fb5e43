// One opened picture: its decoder, the frame shown, its metadata and colour profile. It
// hands out the full-size picture upright and display bitmaps of any size. Loaders are
// shared, so background work can go on using one while the window moves on.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "image/image_metadata.h"

class CWICImageLoader {
 public:
  CWICImageLoader() = default;
  // Opens a file; check GetOrientedSize for success.
  explicit CWICImageLoader(const std::wstring& path);
  // A ready picture (decoded by another means): no decoder, no metadata.
  CWICImageLoader(IWICBitmapSource* source, IWICColorContext* color_context);

  bool Open(const std::wstring& path);
  bool LoadFrame(UINT index);
  void Close();

  void GetOrientedSize(UINT* width, UINT* height) const;
  bool IsAnimated() const;
  UINT FrameCount() const;
  // The full-size picture, 32-bit BGRA, upright; always a bitmap of its own, so callers
  // may change its pixels.
  Microsoft::WRL::ComPtr<IWICBitmap> GetBitmap(bool apply_color_profile) const;
  // Scaled, colour-managed, upright, with the current effect, over the canvas colour.
  bool CreateDisplayBitmap(UINT width, UINT height, HBITMAP* bitmap) const;
  // For pictures that already carry the effect (the rotation preview).
  void RenderWithoutEffect(bool without) { apply_effect_ = !without; }

  ImageMetadata& metadata() { return metadata_; }
  const ImageMetadata& metadata() const { return metadata_; }
  IWICBitmapDecoder* decoder() const { return decoder_.Get(); }
  IWICBitmapSource* frame() const { return frame_.Get(); }
  IWICColorContext* color_context() const { return color_context_.Get(); }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder_;
  Microsoft::WRL::ComPtr<IWICBitmapSource> frame_;
  ImageMetadata metadata_;
  Microsoft::WRL::ComPtr<IWICColorContext> color_context_;
  bool apply_effect_ = true;
};

using LoaderPtr = std::shared_ptr<CWICImageLoader>;

// WIC first, then GDI+, then the decoder plug-in; empty when none can read the file.
LoaderPtr CreateLoader(const std::wstring& path);

// WIC transform options for an orientation tag (1..8); 0 for none.
WICBitmapTransformOptions OrientationToTransform(int orientation);
inline bool TurnsSideways(WICBitmapTransformOptions t) { return (t & 1) != 0; }

// Shared WIC steps: each returns its input unchanged (or null for the scaler) on failure.
Microsoft::WRL::ComPtr<IWICBitmapSource> ApplyColorTransform(IWICBitmapSource* source, IWICColorContext* context,
                                                             bool reverse);
Microsoft::WRL::ComPtr<IWICBitmapSource> ApplyOrientation(IWICBitmapSource* source, WICBitmapTransformOptions options);
Microsoft::WRL::ComPtr<IWICBitmapSource> ScaleSource(IWICBitmapSource* source, UINT width, UINT height,
                                                     WICBitmapInterpolationMode mode);
// Premultiplied pixels, the current effect, drawn over the canvas colour into *bitmap.
bool RenderSourceToBitmap(IWICBitmapSource* source, HBITMAP* bitmap, bool apply_effect = true);

// A thumbnail from the shell's cache (formats 1 to 5 only).
class SystemThumbnail {
 public:
  // kind 0: from the cache only, with a fast small fall-back; 1: the requested size;
  // 2: the system's large size.
  SystemThumbnail(const std::wstring& path, UINT requested_size, int kind);
  ~SystemThumbnail();
  SystemThumbnail(const SystemThumbnail&) = delete;
  SystemThumbnail& operator=(const SystemThumbnail&) = delete;
  bool ok() const { return bitmap_ != nullptr; }
  int quality() const { return quality_; }
  struct ISharedBitmap* shared_bitmap() const { return bitmap_; }

 private:
  struct IThumbnailCache* cache_ = nullptr;
  struct IShellItem* item_ = nullptr;
  struct ISharedBitmap* bitmap_ = nullptr;
  int quality_ = 0;
};

bool ThumbnailToBitmap(const SystemThumbnail& thumbnail, UINT width, UINT height, HBITMAP* bitmap,
                       WICBitmapTransformOptions options, IWICColorContext* color_context);

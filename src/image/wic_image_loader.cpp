#include "image/wic_image_loader.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <mutex>
#include <vector>

#include "app/app_config.h"
#include "app/app_paths.h"
#include "app/zelto_app.h"
#include "basic_lib/win32_system.h"
#include "effects/image_effect.h"
#include "framework/com_ptr.h"
#include "image/fc_obj_image.h"
#include "image/wic_scaler.h"

using Microsoft::WRL::ComPtr;

namespace {

IWICImagingFactory* Factory() { return GetWICFactory(); }

// The local thumbnail cache; mingw's import libraries lack its class id.
const CLSID kLocalThumbnailCache = {0x50EF4544, 0xAC9F, 0x4A8E, {0xB2, 0x1B, 0x8A, 0x26, 0x18, 0x0D, 0xB1, 0x3F}};

// Orientation tags apply on Windows 8 and later; before, only when asked to.
bool OrientationTagApplies() {
  return win32_system::IsWindows8OrLater() || CAppConfig::Instance().orientation_by_tag != 0;
}

}  // namespace

WICBitmapTransformOptions OrientationToTransform(int orientation) {
  switch (orientation) {
    case 2: return WICBitmapTransformFlipHorizontal;
    case 3: return WICBitmapTransformRotate180;
    case 4: return WICBitmapTransformFlipVertical;
    case 5: return static_cast<WICBitmapTransformOptions>(WICBitmapTransformRotate90 | WICBitmapTransformFlipVertical);
    case 6: return WICBitmapTransformRotate90;
    case 7: return static_cast<WICBitmapTransformOptions>(WICBitmapTransformRotate90 | WICBitmapTransformFlipHorizontal);
    case 8: return WICBitmapTransformRotate270;
    default: return WICBitmapTransformRotate0;
  }
}

ComPtr<IWICBitmapSource> ApplyColorTransform(IWICBitmapSource* source, IWICColorContext* context, bool reverse) {
  ComPtr<IWICBitmapSource> result(source);
  IWICImagingFactory* factory = Factory();
  if (!factory || !source || !context) return result;
  ComPtr<IWICColorContext> srgb;
  ComPtr<IWICColorTransform> transform;
  if (FAILED(factory->CreateColorContext(&srgb)) || FAILED(srgb->InitializeFromExifColorSpace(1)) ||
      FAILED(factory->CreateColorTransformer(&transform)))
    return result;
  IWICColorContext* from = reverse ? srgb.Get() : context;
  IWICColorContext* to = reverse ? context : srgb.Get();
  if (FAILED(transform->Initialize(source, from, to, GUID_WICPixelFormat32bppBGRA))) return result;
  return transform;
}

namespace {

// Turns and flips 32-bit pixels ourselves, for platforms whose flip-rotator fails.
ComPtr<IWICBitmap> OrientWithOwnCode(IWICImagingFactory* factory, IWICBitmapSource* source,
                                     WICBitmapTransformOptions options) {
  ComPtr<IWICBitmap> result;
  ComPtr<IWICBitmapSource> bgra;
  UINT w = 0, h = 0;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source, &bgra)) || FAILED(bgra->GetSize(&w, &h)) ||
      w == 0 || h == 0 || 4ULL * w * h > 0x7FFFFFFFULL)
    return result;
  std::vector<DWORD> in(static_cast<size_t>(w) * h);
  if (FAILED(bgra->CopyPixels(nullptr, w * 4, static_cast<UINT>(in.size() * 4), reinterpret_cast<BYTE*>(in.data()))))
    return result;
  const bool sideways = TurnsSideways(options);
  const UINT ow = sideways ? h : w, oh = sideways ? w : h;
  const UINT rotation = options & 3;  // 0, 90, 180 or 270 degrees clockwise
  std::vector<DWORD> out(in.size());
  for (UINT y = 0; y < oh; ++y) {
    for (UINT x = 0; x < ow; ++x) {
      // Undo the turn first; the flips belong to the source, before it turned.
      UINT fx = x, fy = y;
      switch (rotation) {
        case 1: fx = y, fy = h - 1 - x; break;          // 90 clockwise
        case 2: fx = w - 1 - x, fy = h - 1 - y; break;  // 180
        case 3: fx = w - 1 - y, fy = x; break;          // 270 clockwise
      }
      UINT sx = (options & WICBitmapTransformFlipHorizontal) ? w - 1 - fx : fx;
      UINT sy = (options & WICBitmapTransformFlipVertical) ? h - 1 - fy : fy;
      out[static_cast<size_t>(y) * ow + x] = in[static_cast<size_t>(sy) * w + sx];
    }
  }
  factory->CreateBitmapFromMemory(ow, oh, GUID_WICPixelFormat32bppBGRA, ow * 4, static_cast<UINT>(out.size() * 4),
                                  reinterpret_cast<BYTE*>(out.data()), &result);
  return result;
}

}  // namespace

ComPtr<IWICBitmapSource> ApplyOrientation(IWICBitmapSource* source, WICBitmapTransformOptions options) {
  ComPtr<IWICBitmapSource> result(source);
  IWICImagingFactory* factory = Factory();
  if (!factory || !source || options == WICBitmapTransformRotate0) return result;
  ComPtr<IWICBitmapFlipRotator> rotator;
  ComPtr<IWICBitmap> materialised;
  if (SUCCEEDED(factory->CreateBitmapFlipRotator(&rotator)) && SUCCEEDED(rotator->Initialize(source, options)) &&
      SUCCEEDED(factory->CreateBitmapFromSource(rotator.Get(), WICBitmapCacheOnLoad, &materialised))) {
    // A platform may accept the request and still leave the picture as it was.
    UINT sw = 0, sh = 0, mw = 0, mh = 0;
    source->GetSize(&sw, &sh);
    materialised->GetSize(&mw, &mh);
    bool turned_ok = TurnsSideways(options) ? (mw == sh && mh == sw) : (mw == sw && mh == sh);
    if (turned_ok) return materialised;
  }
  if (ComPtr<IWICBitmap> own = OrientWithOwnCode(factory, source, options)) return own;
  return result;
}

ComPtr<IWICBitmapSource> ScaleSource(IWICBitmapSource* source, UINT width, UINT height, WICBitmapInterpolationMode mode) {
  return framework::AdoptRef(wic_scaler::ScaleSource(Factory(), source, width, height, mode));
}

bool RenderSourceToBitmap(IWICBitmapSource* source, HBITMAP* bitmap, bool apply_effect) {
  FCObjImage image;
  if (!image.CreateFromWicSource(source, GUID_WICPixelFormat32bppPBGRA)) return false;
  if (apply_effect) view_effect::ApplyCurrentEffect(image);
  RenderToCompatibleBitmap(image, CAppConfig::Instance().canvas_brush(), bitmap);
  return *bitmap != nullptr;
}

namespace {

// A read stream that never keeps others from renaming or deleting the file: pictures up
// to a size are read into memory at once (the decoder reads all of them anyway); larger
// ones are streamed from the file, shared for reading and writing.
ComPtr<IStream> OpenSharedStream(const std::wstring& path) {
  constexpr LONGLONG kInMemoryLimit = 256LL << 20;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  ComPtr<IStream> stream;
  if (::GetFileSizeEx(file, &size) && size.QuadPart <= kInMemoryLimit) {
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (bytes.empty() || (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                          got == bytes.size()))
      stream = framework::AdoptRef(::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    ::CloseHandle(file);
    return stream;
  }
  ::CloseHandle(file);
  ::SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr,
                           &stream);
  return stream;
}

}  // namespace

CWICImageLoader::CWICImageLoader(const std::wstring& path) { Open(path); }

CWICImageLoader::CWICImageLoader(IWICBitmapSource* source, IWICColorContext* color_context)
    : frame_(source), color_context_(color_context) {}

bool CWICImageLoader::Open(const std::wstring& path) {
  path_ = path;
  IWICImagingFactory* factory = Factory();
  if (!factory) return false;
  ComPtr<IStream> stream = OpenSharedStream(path);
  if (!stream) return false;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder_))) {
    decoder_.Reset();
    return false;
  }
  UINT index = 0;
  GUID container{};
  if (SUCCEEDED(decoder_->GetContainerFormat(&container)) && IsEqualGUID(container, GUID_ContainerFormatIco)) {
    // An icon shows its widest frame; the first of equals wins.
    UINT count = 0, widest = 0;
    decoder_->GetFrameCount(&count);
    for (UINT i = 0; i < count; ++i) {
      ComPtr<IWICBitmapFrameDecode> f;
      UINT w = 0, h = 0;
      if (SUCCEEDED(decoder_->GetFrame(i, &f)) && SUCCEEDED(f->GetSize(&w, &h)) && w > widest) {
        widest = w;
        index = i;
      }
    }
  }
  return LoadFrame(index);
}

bool CWICImageLoader::LoadFrame(UINT index) {
  IWICImagingFactory* factory = Factory();
  ComPtr<IWICBitmapFrameDecode> frame;
  if (!factory || !decoder_ || FAILED(decoder_->GetFrame(index, &frame))) return false;
  // A header may claim any size; beyond four billion pixels it is not a picture anyone
  // made, and decoding it would never end.
  UINT w = 0, h = 0;
  if (FAILED(frame->GetSize(&w, &h)) || static_cast<unsigned long long>(w) * h > (1ULL << 32)) return false;
  UINT contexts = 0;
  color_context_.Reset();
  if (SUCCEEDED(frame->GetColorContexts(0, nullptr, &contexts)) && contexts >= 1) {
    ComPtr<IWICColorContext> context;
    IWICColorContext* raw = nullptr;
    if (SUCCEEDED(factory->CreateColorContext(&context))) {
      raw = context.Get();
      UINT got = 0;
      if (SUCCEEDED(frame->GetColorContexts(1, &raw, &got)) && got == 1) color_context_ = context;
    }
  }
  frame_ = frame;
  metadata_ = ReadMetadata(frame.Get(), path_);
  if (!OrientationTagApplies()) metadata_.orientation = 0;
  return true;
}

void CWICImageLoader::Close() {
  color_context_.Reset();
  frame_.Reset();
  decoder_.Reset();
  metadata_ = ImageMetadata{};
}

void CWICImageLoader::GetOrientedSize(UINT* width, UINT* height) const {
  UINT w = 0, h = 0;
  if (frame_) frame_->GetSize(&w, &h);
  if (TurnsSideways(OrientationToTransform(metadata_.orientation))) std::swap(w, h);
  *width = w;
  *height = h;
}

UINT CWICImageLoader::FrameCount() const {
  UINT count = 0;
  if (decoder_) decoder_->GetFrameCount(&count);
  return count;
}

bool CWICImageLoader::IsAnimated() const {
  GUID container{};
  return decoder_ && SUCCEEDED(decoder_->GetContainerFormat(&container)) &&
         IsEqualGUID(container, GUID_ContainerFormatGif) && FrameCount() >= 2;
}

ComPtr<IWICBitmap> CWICImageLoader::GetBitmap(bool apply_color_profile) const {
  ComPtr<IWICBitmap> full;
  IWICImagingFactory* factory = Factory();
  if (!factory || !frame_) return full;
  ComPtr<IWICBitmapSource> source = frame_;
  if (apply_color_profile && color_context_) source = ApplyColorTransform(source.Get(), color_context_.Get(), false);
  ComPtr<IWICBitmapSource> bgra;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source.Get(), &bgra))) return full;
  // Always a bitmap of its own, even when the frame already is one: callers write into it.
  if (FAILED(factory->CreateBitmapFromSource(bgra.Get(), WICBitmapCacheOnLoad, &full))) return full;
  WICBitmapTransformOptions options = OrientationToTransform(metadata_.orientation);
  if (options == WICBitmapTransformRotate0) return full;
  ComPtr<IWICBitmapSource> turned = ApplyOrientation(full.Get(), options);
  ComPtr<IWICBitmap> turned_bitmap;
  if (SUCCEEDED(turned.As(&turned_bitmap))) return turned_bitmap;
  return full;
}

bool CWICImageLoader::CreateDisplayBitmap(UINT width, UINT height, HBITMAP* bitmap) const {
  if (!frame_ || width == 0 || height == 0) return false;
  ComPtr<IWICBitmapSource> bgra;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame_.Get(), &bgra))) return false;
  WICBitmapTransformOptions options = OrientationToTransform(metadata_.orientation);
  // Scale the unrotated source first, to the target size turned as the source lies.
  ComPtr<IWICBitmapSource> scaled = TurnsSideways(options)
                                        ? ScaleSource(bgra.Get(), height, width, WICBitmapInterpolationModeFant)
                                        : ScaleSource(bgra.Get(), width, height, WICBitmapInterpolationModeFant);
  if (!scaled) return false;
  if (color_context_ && !CAppConfig::Instance().ignore_embedded_icc)
    scaled = ApplyColorTransform(scaled.Get(), color_context_.Get(), false);
  scaled = ApplyOrientation(scaled.Get(), options);
  return RenderSourceToBitmap(scaled.Get(), bitmap, apply_effect_);
}

namespace {

LoaderPtr LoadWithGdiplus(const std::wstring& path) {
  IWICImagingFactory* factory = Factory();
  if (!factory) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromFile(path.c_str(), FALSE));
  if (!image || image->GetLastStatus() != Gdiplus::Ok) return nullptr;
  UINT w = image->GetWidth(), h = image->GetHeight();
  if (w == 0 || h == 0) return nullptr;
  Gdiplus::BitmapData data{};
  Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  if (image->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return nullptr;
  ComPtr<IWICBitmap> bitmap;
  unsigned long long bytes = static_cast<unsigned long long>(data.Stride < 0 ? -data.Stride : data.Stride) * h;
  HRESULT hr = bytes <= 0xFFFFFFFFULL && data.Stride > 0
                   ? factory->CreateBitmapFromMemory(w, h, GUID_WICPixelFormat32bppBGRA, static_cast<UINT>(data.Stride),
                                                     static_cast<UINT>(bytes), static_cast<BYTE*>(data.Scan0), &bitmap)
                   : E_FAIL;
  image->UnlockBits(&data);
  if (FAILED(hr)) return nullptr;
  auto loader = std::make_shared<CWICImageLoader>(bitmap.Get(), nullptr);
  return loader;
}

// Once loaded, the plug-in stays: the object it returns may run its code.
LoaderPtr LoadWithPlugin(const std::wstring& path) {
  static HMODULE plugin = nullptr;
  static std::once_flag loaded;
  std::call_once(loaded, [] {
    std::wstring dll = app_paths::InstallFolder() + L"FreeImage.dll";
    if (::PathFileExistsW(dll.c_str())) plugin = ::LoadLibraryW(dll.c_str());
  });
  IWICImagingFactory* factory = Factory();
  if (!plugin || !factory) return nullptr;
  typedef IUnknown*(__stdcall * LoadImageFn)(const wchar_t*, IWICImagingFactory*);
  auto load = reinterpret_cast<LoadImageFn>(reinterpret_cast<void*>(::GetProcAddress(plugin, "load_image")));
  if (!load) return nullptr;
  ComPtr<IUnknown> result = framework::AdoptRef(load(path.c_str(), factory));
  ComPtr<IWICBitmapSource> source;
  if (!result || FAILED(result.As(&source))) return nullptr;
  auto loader = std::make_shared<CWICImageLoader>(source.Get(), nullptr);
  UINT w = 0, h = 0;
  loader->GetOrientedSize(&w, &h);
  return w ? loader : nullptr;
}

}  // namespace

LoaderPtr CreateLoader(const std::wstring& path) {
  auto loader = std::make_shared<CWICImageLoader>(path);
  UINT w = 0, h = 0;
  loader->GetOrientedSize(&w, &h);
  if (w != 0) return loader;
  if (LoaderPtr gdiplus = LoadWithGdiplus(path)) return gdiplus;
  return LoadWithPlugin(path);
}

SystemThumbnail::SystemThumbnail(const std::wstring& path, UINT requested_size, int kind) {
  if (FAILED(::CoCreateInstance(kLocalThumbnailCache, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                IID_PPV_ARGS(&cache_))) ||
      FAILED(::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&item_))))
    return;
  const UINT large = win32_system::IsWindows10OrLater() ? 1280 : 1024;
  WTS_CACHEFLAGS flags{};
  auto get = [&](UINT size, WTS_FLAGS how) {
    if (bitmap_) bitmap_->Release();
    bitmap_ = nullptr;
    HRESULT hr = cache_->GetThumbnail(item_, size, how, &bitmap_, &flags, nullptr);
    if (FAILED(hr) && bitmap_) {
      bitmap_->Release();
      bitmap_ = nullptr;
    }
    quality_ = static_cast<int>(flags);
  };
  if (kind == 1) {
    get(requested_size, WTS_SCALETOREQUESTEDSIZE);
  } else if (kind == 2) {
    get(large, WTS_EXTRACT);
  } else {
    if (requested_size > large)
      get(requested_size, static_cast<WTS_FLAGS>(WTS_INCACHEONLY | WTS_SCALETOREQUESTEDSIZE));
    else
      get(large, WTS_INCACHEONLY);
    if (!bitmap_) {
      get(256, WTS_FASTEXTRACT);
      quality_ = 1;
    }
    if (bitmap_ && !win32_system::IsWindows10OrLater() && requested_size <= 1080) {
      SIZE size{};
      if (SUCCEEDED(bitmap_->GetSize(&size)) && std::max(size.cx, size.cy) >= 1020) quality_ = 2;
    }
  }
}

SystemThumbnail::~SystemThumbnail() {
  if (bitmap_) bitmap_->Release();
  if (item_) item_->Release();
  if (cache_) cache_->Release();
}

bool ThumbnailToBitmap(const SystemThumbnail& thumbnail, UINT width, UINT height, HBITMAP* bitmap,
                       WICBitmapTransformOptions options, IWICColorContext* color_context) {
  IWICImagingFactory* factory = Factory();
  ISharedBitmap* shared = thumbnail.shared_bitmap();
  if (!factory || !shared || width == 0 || height == 0) return false;
  HBITMAP hbitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  if (FAILED(shared->GetSharedBitmap(&hbitmap)) || !hbitmap) return false;
  shared->GetFormat(&alpha);
  ComPtr<IWICBitmap> wrapped;
  if (FAILED(factory->CreateBitmapFromHBITMAP(hbitmap, nullptr,
                                              alpha == WTSAT_ARGB ? WICBitmapUseAlpha : WICBitmapIgnoreAlpha, &wrapped)))
    return false;
  ComPtr<IWICBitmapSource> source = wrapped;
  // Newer systems hand out thumbnails already upright.
  if (!win32_system::IsWindows8OrLater()) source = ApplyOrientation(source.Get(), options);
  ComPtr<IWICBitmapSource> bgra;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source.Get(), &bgra))) return false;
  ComPtr<IWICBitmapSource> scaled = ScaleSource(bgra.Get(), width, height, WICBitmapInterpolationModeLinear);
  if (!scaled) return false;
  if (color_context) scaled = ApplyColorTransform(scaled.Get(), color_context, true);
  return RenderSourceToBitmap(scaled.Get(), bitmap);
}

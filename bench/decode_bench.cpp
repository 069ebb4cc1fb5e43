// Prints how long opening and preparing a display bitmap take for a 6000x4000 JPEG and
// PNG it generates, next to the bare platform steps that do the same work. It prints
// figures only; it never judges them.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "image/wic_image_loader.h"
#include "image/wic_scaler.h"
#include "bench_pictures.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kWidth = 6000, kHeight = 4000, kShowW = 1600, kShowH = 1067;

// The platform alone: decoder, frame, converter, scaler, one copy into memory.
void BareSteps(const std::wstring& path, WICBitmapInterpolationMode mode, bool scale) {
  IWICImagingFactory* f = GetWICFactory();
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IWICBitmapScaler> scaler;
  f->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
  if (!decoder || FAILED(decoder->GetFrame(0, &frame))) return;
  if (!scale) return;
  f->CreateFormatConverter(&converter);
  converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                        WICBitmapPaletteTypeCustom);
  f->CreateBitmapScaler(&scaler);
  scaler->Initialize(converter.Get(), kShowW, kShowH, mode);
  std::vector<BYTE> out(static_cast<size_t>(kShowW) * kShowH * 4);
  scaler->CopyPixels(nullptr, kShowW * 4, static_cast<UINT>(out.size()), out.data());
}

void Measure(const wchar_t* label, const std::wstring& path) {
  const int runs = 5;
  LoaderPtr kept;
  double open_ms = MedianMs(runs, [&] { kept = CreateLoader(path); });
  double display_ms = MedianMs(runs, [&] {
    HBITMAP bitmap = nullptr;
    if (kept && kept->CreateDisplayBitmap(kShowW, kShowH, &bitmap)) ::DeleteObject(bitmap);
  });
  double bare_open_ms = MedianMs(runs, [&] { BareSteps(path, WICBitmapInterpolationModeFant, false); });
  double bare_fant_ms = MedianMs(runs, [&] { BareSteps(path, WICBitmapInterpolationModeFant, true); });
  double bare_nearest_ms = MedianMs(runs, [&] { BareSteps(path, WICBitmapInterpolationModeNearestNeighbor, true); });
  double ours = open_ms + display_ms;
  wprintf(L"%ls %ux%u\n", label, kWidth, kHeight);
  wprintf(L"  CreateLoader                      %8.1f ms (bare decoder + frame: %.1f ms)\n", open_ms, bare_open_ms);
  wprintf(L"  CreateDisplayBitmap %ux%u      %8.1f ms\n", kShowW, kShowH, display_ms);
  wprintf(L"  ours, open + display              %8.1f ms\n", ours);
  wprintf(L"  bare WIC, Fant scale              %8.1f ms  (ratio %.2f)\n", bare_fant_ms, ours / bare_fant_ms);
  wprintf(L"  bare WIC, nearest scale           %8.1f ms  (ratio %.2f)\n", bare_nearest_ms, ours / bare_nearest_ms);
}

}  // namespace

int wmain() {
  FCAutoInitializeCOM com;
  FCAutoInitGDIPlus gdiplus;
  if (!CreateWICFactory()) {
    wprintf(L"no imaging factory\n");
    return 1;
  }
  wprintf(L"platform scaler interpolates: %ls\n", wic_scaler::PlatformScalerInterpolates() ? L"yes" : L"no (ours stands in)");
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring jpeg = std::wstring(temp) + L"vantor-bench.jpg", png = std::wstring(temp) + L"vantor-bench.png";
  if (!WriteBenchPicture(jpeg, GUID_ContainerFormatJpeg, kWidth, kHeight) || !WriteBenchPicture(png, GUID_ContainerFormatPng, kWidth, kHeight)) {
    wprintf(L"could not write the test pictures\n");
    return 1;
  }
  Measure(L"JPEG", jpeg);
  Measure(L"PNG", png);
  ::DeleteFileW(jpeg.c_str());
  ::DeleteFileW(png.c_str());
  ReleaseWICFactory();
  return 0;
}

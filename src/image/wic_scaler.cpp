#include "image/wic_scaler.h"

#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace wic_scaler {
namespace {

// For each target column: the source columns it reads and their weights.
struct Tap {
  UINT first = 0;
  std::vector<float> weights;
};

std::vector<Tap> MakeTaps(UINT src, UINT dst) {
  std::vector<Tap> taps(dst);
  const double scale = static_cast<double>(src) / dst;
  if (dst <= src) {
    // Area averaging: each target pixel covers [x*scale, (x+1)*scale) of the source.
    for (UINT x = 0; x < dst; ++x) {
      double begin = x * scale, end = std::min<double>((x + 1) * scale, src);
      UINT first = static_cast<UINT>(begin);
      UINT last = std::min<UINT>(static_cast<UINT>(std::ceil(end)), src);
      taps[x].first = first;
      for (UINT s = first; s < last; ++s) {
        double cover = std::min<double>(end, s + 1.0) - std::max<double>(begin, s);
        taps[x].weights.push_back(static_cast<float>(cover / scale));
      }
    }
  } else {
    // Bilinear: sample at pixel centres, clamped at the edges.
    for (UINT x = 0; x < dst; ++x) {
      double pos = (x + 0.5) * scale - 0.5;
      pos = std::clamp(pos, 0.0, static_cast<double>(src - 1));
      UINT first = static_cast<UINT>(pos);
      float frac = static_cast<float>(pos - first);
      taps[x].first = first;
      taps[x].weights.push_back(1.0f - frac);
      if (first + 1 < src) taps[x].weights.push_back(frac);
    }
  }
  return taps;
}

// One source row, premultiplied, filtered horizontally to the target width.
void FilterRow(const BYTE* row, const std::vector<Tap>& taps, float* out) {
  for (size_t x = 0; x < taps.size(); ++x) {
    float b = 0, g = 0, r = 0, a = 0;
    const Tap& t = taps[x];
    for (size_t k = 0; k < t.weights.size(); ++k) {
      const BYTE* p = row + (t.first + k) * 4;
      float w = t.weights[k] * p[3] / 255.0f;
      b += w * p[0];
      g += w * p[1];
      r += w * p[2];
      a += t.weights[k] * p[3];
    }
    out[x * 4 + 0] = b;
    out[x * 4 + 1] = g;
    out[x * 4 + 2] = r;
    out[x * 4 + 3] = a;
  }
}

}  // namespace

IWICBitmapSource* ScaleWithOwnScaler(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height) {
  if (!factory || !source || width == 0 || height == 0) return nullptr;
  ComPtr<IWICBitmapSource> bgra;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source, &bgra))) return nullptr;
  UINT sw = 0, sh = 0;
  if (FAILED(bgra->GetSize(&sw, &sh)) || sw == 0 || sh == 0) return nullptr;
  const unsigned long long out_bytes = 4ULL * width * height;
  if (out_bytes > 0x7FFFFFFFULL || 4ULL * sw > 0x7FFFFFFFULL) return nullptr;

  const std::vector<Tap> across = MakeTaps(sw, width);
  const std::vector<Tap> down = MakeTaps(sh, height);
  std::vector<BYTE> out(static_cast<size_t>(out_bytes));
  // Source rows come in bands: one platform call per band, not per row.
  const UINT band_rows = std::max<UINT>(1, std::min<UINT>(64, (8u << 20) / (sw * 4)));
  std::vector<BYTE> band(static_cast<size_t>(sw) * 4 * band_rows);
  UINT band_first = 0, band_count = 0;
  auto source_row = [&](UINT y) -> const BYTE* {
    if (y < band_first || y >= band_first + band_count) {
      band_first = y;
      band_count = std::min(band_rows, sh - y);
      WICRect rect{0, static_cast<INT>(y), static_cast<INT>(sw), static_cast<INT>(band_count)};
      if (FAILED(bgra->CopyPixels(&rect, sw * 4, static_cast<UINT>(sw * 4 * band_count), band.data())))
        std::fill(band.begin(), band.end(), 0);
    }
    return band.data() + static_cast<size_t>(y - band_first) * sw * 4;
  };
  // Filtered source rows kept while some target row still needs them.
  std::vector<std::vector<float>> cache;
  UINT cache_first = 0;

  auto filtered = [&](UINT y) -> const float* {
    while (cache_first + cache.size() <= y) {
      UINT next = cache_first + static_cast<UINT>(cache.size());
      cache.emplace_back(static_cast<size_t>(width) * 4);
      FilterRow(source_row(next), across, cache.back().data());
    }
    return cache[y - cache_first].data();
  };

  std::vector<float> acc(static_cast<size_t>(width) * 4);
  for (UINT y = 0; y < height; ++y) {
    const Tap& t = down[y];
    // Rows before this target row's first source row are never needed again.
    while (cache_first < t.first && !cache.empty()) {
      cache.erase(cache.begin());
      ++cache_first;
    }
    if (cache.empty() && cache_first < t.first) cache_first = t.first;
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (size_t k = 0; k < t.weights.size(); ++k) {
      const float* row = filtered(t.first + static_cast<UINT>(k));
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += t.weights[k] * row[i];
    }
    BYTE* dst = out.data() + static_cast<size_t>(y) * width * 4;
    for (UINT x = 0; x < width; ++x) {
      float a = acc[x * 4 + 3];
      BYTE* p = dst + x * 4;
      if (a <= 0.5f) {
        p[0] = p[1] = p[2] = p[3] = 0;
        continue;
      }
      for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(std::clamp(acc[x * 4 + c] * 255.0f / a + 0.5f, 0.0f, 255.0f));
      p[3] = static_cast<BYTE>(std::clamp(a + 0.5f, 0.0f, 255.0f));
    }
  }
  IWICBitmap* result = nullptr;
  if (FAILED(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGRA, width * 4,
                                             static_cast<UINT>(out.size()), out.data(), &result)))
    return nullptr;
  return result;
}

bool PlatformScalerInterpolates() {
  static bool answer = true;
  static std::once_flag probed;
  std::call_once(probed, [] {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
      return;
    // Black and white columns shrunk by half: any interpolation gives grey.
    BYTE pixels[16] = {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255};
    ComPtr<IWICBitmap> probe;
    ComPtr<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapFromMemory(4, 1, GUID_WICPixelFormat32bppBGRA, 16, 16, pixels, &probe)) ||
        FAILED(factory->CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(probe.Get(), 2, 1, WICBitmapInterpolationModeFant)))
      return;
    BYTE out[8] = {};
    if (FAILED(scaler->CopyPixels(nullptr, 8, 8, out))) return;
    answer = out[0] != 0 && out[0] != 255;
  });
  return answer;
}

IWICBitmapSource* ScaleSource(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                              WICBitmapInterpolationMode mode) {
  if (!factory || !source) return nullptr;
  UINT w = 0, h = 0;
  source->GetSize(&w, &h);
  if (w == width && h == height) {
    source->AddRef();
    return source;
  }
  if (mode != WICBitmapInterpolationModeNearestNeighbor && !PlatformScalerInterpolates())
    return ScaleWithOwnScaler(factory, source, width, height);
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapScaler(&scaler)) || FAILED(scaler->Initialize(source, width, height, mode)))
    return nullptr;
  return scaler.Detach();
}

}  // namespace wic_scaler

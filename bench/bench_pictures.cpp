#include "bench_pictures.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/zelto_app.h"

using Microsoft::WRL::ComPtr;

bool WriteBenchPicture(const std::wstring& path, const GUID& container, UINT width, UINT height) {
  IWICImagingFactory* f = GetWICFactory();
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 3);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) {
      BYTE* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<BYTE>(x * 255 / width);
      p[1] = static_cast<BYTE>(y * 255 / height);
      p[2] = static_cast<BYTE>(((x / 40) ^ (y / 40)) & 1 ? 200 : 60);
    }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  return f && SUCCEEDED(f->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(f->CreateEncoder(container, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
         SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(height, width * 3, static_cast<UINT>(pixels.size()), pixels.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

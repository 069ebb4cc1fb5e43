// Prints how long reading a folder of 10,000 pictures takes next to a bare listing and
// sort, and how long stepping to the next 24-megapixel picture takes until its fit
// bitmap is complete, with preloading on and off. Figures only.
#include <windows.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "common/message_pump.h"
#include "app/app_config.h"
#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "bench_pictures.h"
#include "image/current_picture.h"
#include "view_render/current_folder_image.h"
#include "view_render/system_cache.h"
#include "view_render/view_render.h"

namespace {


std::wstring MakeFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void ListingBench() {
  std::wstring folder = MakeFolder(L"vantor-folder-bench");
  const wchar_t* exts[] = {L".jpg", L".png", L".gif", L".bmp"};
  for (int i = 0; i < 10000; ++i) {
    std::wstring path = folder + L"\\photo " + std::to_wstring(i) + exts[i % 4];
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) ::CloseHandle(f);
  }
  double ours = MedianMs(5, [&] {
    CCurrentFolderImage list;
    list.Collect(nullptr, folder + L"\\photo 5000.jpg");
    PumpMessagesUntil([&] { return !list.IsCollecting(); }, 60000);
  });
  double bare = MedianMs(5, [&] {
    std::deque<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do names.push_back(fd.cFileName);
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
  });
  wprintf(L"folder of 10,000 pictures\n");
  wprintf(L"  collect and sort          %8.1f ms\n", ours);
  wprintf(L"  bare listing and sort     %8.1f ms  (ratio %.2f)\n", bare, ours / bare);
  for (int i = 0; i < 10000; ++i) ::DeleteFileW((folder + L"\\photo " + std::to_wstring(i) + exts[i % 4]).c_str());
  ::RemoveDirectoryW(folder.c_str());
}

// From the step to the next picture's complete fit bitmap.
double StepMs(const std::wstring& folder, bool preload) {
  CAppConfig::Instance().preload_enable = preload ? 1 : 0;
  const int w = 1600, h = 1000;
  CurrentPicture::Instance().SetPath(folder + L"\\a.jpg");
  auto first = std::make_unique<view_render::CViewRender>(w, h, nullptr, nullptr);
  PumpMessagesUntil([&] { return first->frame_source()->GetBitmap(true) != nullptr; }, 60000);
  CCurrentFolderImage::Instance().Collect(nullptr, folder + L"\\a.jpg");
  PumpMessagesUntil([&] { return !CCurrentFolderImage::Instance().IsCollecting(); }, 60000);
  view_render::CSystemCache& cache = view_render::CSystemCache::Instance();
  cache.Resume();
  PumpMessagesUntil([&] { return cache.RunningCount() == 0 && cache.PendingCount() == 0; }, 60000);

  auto start = ::GetTickCount64();
  LARGE_INTEGER f, t0, t1;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t0);
  std::wstring next = CCurrentFolderImage::Instance().GetNeighbourPath(1);
  cache.SetDirection(1);
  first.reset();
  CurrentPicture::Instance().SetPath(next, cache.TakeLoader(next));
  view_render::CViewRender second(w, h, nullptr, nullptr);
  CCurrentFolderImage::Instance().Collect(nullptr, next);
  PumpMessagesUntil([&] { return second.frame_source()->GetBitmap(true) != nullptr; }, 60000);
  ::QueryPerformanceCounter(&t1);
  (void)start;
  return (t1.QuadPart - t0.QuadPart) * 1000.0 / f.QuadPart;
}

void SteppingBench() {
  std::wstring folder = MakeFolder(L"vantor-step-bench");
  for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"})
    WriteBenchPicture(folder + L"\\" + name, GUID_ContainerFormatJpeg, 6000, 4000);
  const double with = StepMs(folder, true);
  view_render::CSystemCache::Instance().Update(L"", 0, {});  // forget what was prepared
  const double without = StepMs(folder, false);
  wprintf(L"step to the next 24-megapixel JPEG until its fit bitmap is complete\n");
  wprintf(L"  preloading on             %8.1f ms\n", with);
  wprintf(L"  preloading off            %8.1f ms  (%.1f times faster with it)\n", without, without / with);
  CurrentPicture::Instance().Reset();
  for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"}) ::DeleteFileW((folder + L"\\" + name).c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

int wmain() {
  FCAutoInitializeCOM com;
  FCAutoInitGDIPlus gdiplus;
  if (!CreateWICFactory()) return 1;
  ListingBench();
  SteppingBench();
  CCurrentFolderImage::Instance().Stop();
  view_render::CSystemCache::Instance().CancelAll();
  view_render::CSystemCache::Instance().WaitIdle();
  ReleaseWICFactory();
  return 0;
}

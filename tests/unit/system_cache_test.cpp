#include "view_render/system_cache.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/app_config.h"
#include "app/zelto_app.h"
#include "basic_lib/auto_init.h"
#include "common/message_pump.h"
#include "common/test_files.h"
#include "image/current_picture.h"

namespace {

using view_render::CSystemCache;


// A tiny 24-bit BMP, enough to decode.
std::string SmallBmp(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  std::string bmp(54 + stride * h, '\x40');
  auto put32 = [&](size_t at, uint32_t v) { memcpy(&bmp[at], &v, 4); };
  memset(&bmp[0], 0, 54);
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  bmp[26] = 1, bmp[28] = 24;
  return bmp;
}

TEST(SystemCache, OffsetsByDirection) {
  EXPECT_EQ(CSystemCache::Offsets(0), (std::vector<int>{1, -1, 2, 3}));
  EXPECT_EQ(CSystemCache::Offsets(1), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(CSystemCache::Offsets(2), (std::vector<int>{-1, -2, -3}));
}

TEST(SystemCache, PreparesNeighboursOnceAfterThePictureIsShown) {
  FCAutoInitializeCOM com;
  FCAutoInitGDIPlus gdiplus;
  ASSERT_TRUE(CreateWICFactory());
  TempDir dir;
  std::deque<std::wstring> names;
  for (int i = 1; i <= 10; ++i) {
    names.push_back(L"p" + std::to_wstring(i) + L".bmp");
    WriteTextFile(dir.File(names.back()), SmallBmp(40, 30));
  }
  names.push_back(L"raw.nef");  // never requested: not a format the shell's cache serves
  std::wstring folder = dir.path();
  folder.pop_back();

  CSystemCache& cache = CSystemCache::Instance();
  cache.SetViewSize(200, 100);
  cache.SetDirection(0);
  cache.Update(folder, 4, names);  // the fifth picture
  PumpMessagesUntil([] { return false; }, 200);
  EXPECT_TRUE(cache.requested().empty()) << "nothing starts before the picture is on screen";
  cache.Resume();
  const std::set<std::wstring> first{L"p6.bmp", L"p4.bmp", L"p7.bmp", L"p8.bmp"};
  ASSERT_TRUE(PumpMessagesUntil([&] { return cache.requested() == first && cache.RunningCount() == 0; }, 10000));

  cache.SetDirection(1);
  cache.Update(folder, 5, names);  // next: 7, 8 were asked for already
  std::set<std::wstring> second = first;
  second.insert(L"p9.bmp");
  ASSERT_TRUE(PumpMessagesUntil([&] { return cache.requested() == second && cache.RunningCount() == 0; }, 10000));

  // Where the shell has no thumbnails, the neighbour's fit bitmap was decoded ahead.
  CurrentPicture::Instance().SetPath(dir.File(L"p7.bmp"));
  HBITMAP bitmap = nullptr;
  bool thumbnail_cache = false;
  {
    SystemThumbnail probe(dir.File(L"p7.bmp"), 64, 1);
    thumbnail_cache = probe.ok();
  }
  bool found = cache.Lookup(40, 30, &bitmap);  // fitted into 200x100 without enlarging
  if (!thumbnail_cache) {
    EXPECT_TRUE(found);
    BITMAP bm{};
    ASSERT_TRUE(bitmap && ::GetObjectW(bitmap, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 40);
    EXPECT_EQ(bm.bmHeight, 30);
  }
  if (bitmap) ::DeleteObject(bitmap);
  CurrentPicture::Instance().Reset();
  cache.CancelAll();
  cache.WaitIdle();
  ReleaseWICFactory();
}

}  // namespace

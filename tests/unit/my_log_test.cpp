#include "logging/my_log.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/test_files.h"

namespace {

TEST(MyLog, HeaderNamesTheSourceFile) {
  struct {
    const char* path;
    int line;
    const wchar_t* header;
  } cases[] = {
      {"src\\app\\app_config.cpp", 82, L"[  82][app_config] "},
      {"src/view_render/view_render.cpp", 1234, L"[1234][view_render] "},
      {"C:\\x\\y.tar.gz", 7, L"[   7][y.tar] "},
      {"app_config.cpp", 5, L"[   5] "},     // no folder separator
      {"src\\Makefile", 5, L"[   5] "},     // no dot
      {"src.d\\Makefile", 12, L"[  12] "},   // the dot is before the separator
      {"", 0, L"[   0] "},
  };
  for (const auto& c : cases) EXPECT_EQ(CMyLog::MakeHeader(c.path, c.line), c.header) << c.path;
}

TEST(MyLog, WritesOnlyWhileTheMarkerExists) {
  TempDir dir;
  std::wstring log = dir.File(L"main.log");
  {
    CMyLog off(log);
    off.Write(L"[I]nothing");
    EXPECT_FALSE(off.IsFileOpen());
  }
  EXPECT_FALSE(FileExists(log));

  WriteTextFile(log + L".on", "");
  {
    CMyLog on(log);
    on.Write(L"[I]first");
  }
  {
    CMyLog again(log);
    again.Write(L"[I]second");
  }
  EXPECT_EQ(ReadTextFile(log), "[I]first\n[I]second\n");
}

TEST(MyLog, MissingFolderTurnsLoggingOff) {
  TempDir dir;
  std::wstring log = dir.File(L"absent\\main.log");
  CMyLog log_object(log);
  EXPECT_FALSE(log_object.IsFileOpen());
  EXPECT_FALSE(FileExists(dir.File(L"absent")));
}

TEST(MyLog, RecordsFromManyThreadsStayWhole) {
  TempDir dir;
  std::wstring log = dir.File(L"main.log");
  WriteTextFile(log + L".on", "");
  {
    CMyLog shared(log);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([&shared, t] {
        for (int i = 0; i < 200; ++i) shared.Write(L"[I]thread " + std::to_wstring(t) + L" record " + std::to_wstring(i));
      });
    for (auto& th : threads) th.join();
  }
  std::string text = ReadTextFile(log);
  size_t lines = 0, start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.rfind("[I]thread ", 0), 0u) << line;
    EXPECT_NE(line.find(" record "), std::string::npos) << line;
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, 800u);
}

}  // namespace

#include "basic_lib/win32_system.h"

#include <gtest/gtest.h>

namespace {

TEST(FitRectToWorkArea, ShrinksThenMovesInside) {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const LONG w = work.right - work.left, h = work.bottom - work.top;
  ASSERT_GT(w, 200);
  ASSERT_GT(h, 200);

  RECT fits{-50, 10, -50 + 100, 110};
  win32_system::FitRectToWorkArea(fits);
  EXPECT_EQ(fits.left, 0);
  EXPECT_EQ(fits.right - fits.left, 100);
  EXPECT_EQ(fits.top, 10);

  RECT wide{work.left + 10, work.top, work.left + 10 + w + 500, work.top + 100};
  win32_system::FitRectToWorkArea(wide);
  EXPECT_EQ(wide.right - wide.left, w);
  EXPECT_EQ(wide.right, work.right);

  RECT low{0, work.bottom - 50, 100, work.bottom + 50};
  win32_system::FitRectToWorkArea(low);
  EXPECT_EQ(low.bottom, work.bottom);
  EXPECT_EQ(low.bottom - low.top, 100);
}

TEST(MutexExists, SeesNamedMutexesOnlyWhileTheyLive) {
  const wchar_t* name = L"VantorTestMutex-5d41402abc4b2a76";
  EXPECT_FALSE(win32_system::MutexExists(name));
  HANDLE m = ::CreateMutexW(nullptr, FALSE, name);
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(win32_system::MutexExists(name));
  ::CloseHandle(m);
  EXPECT_FALSE(win32_system::MutexExists(name));
}

}  // namespace

namespace {

// The embedded manifest makes the version checks see the real system: without it they
// answer as if the system were Windows 8 at most.
TEST(WindowsVersion, ChecksAgreeWithTheKernel) {
  typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
  auto get = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(get, nullptr);
  OSVERSIONINFOW real{sizeof(real)};
  ASSERT_EQ(get(&real), 0);
  EXPECT_EQ(win32_system::IsWindows10OrLater(), real.dwMajorVersion >= 10);
  EXPECT_EQ(win32_system::IsWindows8OrLater(),
            real.dwMajorVersion > 6 || (real.dwMajorVersion == 6 && real.dwMinorVersion >= 2));
  EXPECT_TRUE(win32_system::IsWindowsVersionOrLater(6, 1, 0));
  EXPECT_FALSE(win32_system::IsWindowsVersionOrLater(99, 0, 0));
}

}  // namespace

#include <windows.h>

#include "viewer_fixture.h"

namespace {

constexpr ULONG_PTR kHandOffId = 0x22678201;

class HandOffTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    ::CreateDirectoryW(gui::LogFolder().c_str(), nullptr);
    gui::WriteFileBytes(gui::LogFolder() + L"main.log.on", "");
    pictures_ = Scratch();
    photo_ = pictures_ + L"my photo.jpg";
    gui::WriteFileBytes(photo_, "not decoded yet");
  }
  std::string Log() { return gui::ReadFileBytes(gui::LogFolder() + L"main.log"); }
  static std::string Utf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
  }
  // Requests this test handed to a running viewer (a viewer's own start logs otherwise).
  bool LogHasRequest(const std::wstring& path) { return Log().find("Open from another launch:" + Utf8(path)) != std::string::npos; }
  // Runs a second launch and expects it to end without a window of its own.
  void ExpectHandedOff(const std::wstring& args, const std::wstring& cwd = L"") {
    gui::Process& second = Start(args, L"", cwd);
    DWORD code = 1;
    ASSERT_TRUE(second.WaitExit(15000, &code)) << "the second launch should end";
    EXPECT_EQ(code, 0u);
  }
  LRESULT SendRecord(HWND target, ULONG_PTR id, const void* data, DWORD bytes) {
    COPYDATASTRUCT cds{id, bytes, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
  }

  std::wstring pictures_;
  std::wstring photo_;
};

TEST_F(HandOffTest, IdleViewerTakesTheSecondLaunchsPicture) {
  gui::Process* first = nullptr;
  HWND frame = StartWindow(&first);
  ASSERT_NE(frame, nullptr);
  ExpectHandedOff(L"\"" + photo_ + L"\" --from=desktop");
  EXPECT_TRUE(gui::WaitUntil([&] { return LogHasRequest(photo_); })) << Log();
  EXPECT_EQ(gui::WindowsOfClass(gui::kMainFrameClass).size(), 1u);
}

TEST_F(HandOffTest, RelativePathIsResolvedByTheLaunchThatGotIt) {
  gui::WriteFileBytes(pictures_ + L"photo.jpg", "x");
  gui::Process* first = nullptr;
  ASSERT_NE(StartWindow(&first), nullptr);
  ExpectHandedOff(L"photo.jpg", pictures_);
  EXPECT_TRUE(gui::WaitUntil([&] { return LogHasRequest(pictures_ + L"photo.jpg"); })) << Log();
}

TEST_F(HandOffTest, BusyViewerIsReusedOnlyInSingleInstanceMode) {
  for (int single : {0, 1}) {
    SetUp();
    WriteConfig(single ? "[app]\r\nonly_one_instance=1\r\n" : "[app]\r\nonly_one_instance=0\r\n");
    gui::Process* first = nullptr;
    HWND frame = StartWindow(&first);
    ASSERT_NE(frame, nullptr);
    // A window that shows a picture is not idle.
    ::SetWindowTextW(frame, L"my photo.jpg - Vantor");
    if (single) {
      ExpectHandedOff(L"\"" + photo_ + L"\"");
      EXPECT_TRUE(gui::WaitUntil([&] { return LogHasRequest(photo_); })) << Log();
    } else {
      gui::Process& second = Start(L"\"" + photo_ + L"\"");
      EXPECT_NE(gui::WaitForProcessWindow(second.id(), gui::kMainFrameClass), nullptr);
    }
    TearDown();
  }
}

TEST_F(HandOffTest, SettingsRequestGoesToTheRunningViewerOrOpensItsOwn) {
  gui::Process& alone = Start(L"--setting");
  HWND own = gui::WaitForProcessWindow(alone.id(), gui::kMainFrameClass);
  ASSERT_NE(own, nullptr) << "no viewer runs: the launch opens its own window";
  ::SetWindowTextW(own, L"busy - Vantor");  // not idle, so only the receiver can take it
  ExpectHandedOff(L"--setting");
  ExpectHandedOff(L"--show-existing");
  ExpectHandedOff(L"--LockscreenSet");
  EXPECT_TRUE(gui::WaitUntil([&] { return Log().find("Post LockscreenSet") != std::string::npos; })) << Log();
}

TEST_F(HandOffTest, HandOffToAClosingViewerIsRefused) {
  WriteConfig("[app]\r\ncompletely_exit=1\r\n");
  // Holding the exit mutex keeps the closing viewer inside its close handling.
  HANDLE exit_mutex = ::CreateMutexW(nullptr, TRUE, L"KvMainExitMutex-ad756f18033b6ea0");
  ASSERT_NE(exit_mutex, nullptr);
  gui::Process* first = nullptr;
  HWND frame = StartWindow(&first);
  ASSERT_NE(frame, nullptr);
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(gui::WaitUntil([&] {
    DWORD_PTR r = 0;
    return ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 200, &r) == 0;
  })) << "the viewer should be busy closing";

  gui::Process& second = Start(L"\"" + photo_ + L"\"");
  ::Sleep(500);  // the second launch is now waiting on the closing viewer
  ::ReleaseMutex(exit_mutex);
  ::CloseHandle(exit_mutex);
  EXPECT_NE(gui::WaitForProcessWindow(second.id(), gui::kMainFrameClass), nullptr);
  DWORD code = 1;
  EXPECT_TRUE(first->WaitExit(15000, &code));
  EXPECT_FALSE(LogHasRequest(photo_)) << Log();
}

TEST_F(HandOffTest, OnlyWellFormedRecordsAreTaken) {
  gui::Process* first = nullptr;
  HWND frame = StartWindow(&first);
  ASSERT_NE(frame, nullptr);
  HWND always = gui::WaitForMessageWindow(L"IPC-43AF68E358C97DCF97C45EA164F_Always");
  ASSERT_NE(always, nullptr);
  const std::wstring& text = photo_;
  DWORD whole = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));

  // Another dwData is not a command line, however good its text.
  EXPECT_EQ(SendRecord(frame, 0x1234, text.c_str(), whole), 0);
  // Sizes that are odd, zero or missing data are refused by the frame and the receiver.
  for (HWND target : {frame, always}) {
    EXPECT_EQ(SendRecord(target, kHandOffId, text.c_str(), 3), 0);
    EXPECT_EQ(SendRecord(target, kHandOffId, text.c_str(), 0), 0);
    EXPECT_EQ(SendRecord(target, kHandOffId, nullptr, 8), 0);
  }
  ::Sleep(300);
  EXPECT_FALSE(LogHasRequest(photo_)) << Log();

  // A path that does not exist only raises the window, but is taken.
  std::wstring missing = pictures_ + L"missing.jpg";
  EXPECT_EQ(SendRecord(frame, kHandOffId, missing.c_str(), static_cast<DWORD>((missing.size() + 1) * 2)), 1);
  EXPECT_FALSE(LogHasRequest(missing));

  // A text without its terminator is read only within its size.
  std::wstring padded = text + L"XXXX";
  EXPECT_EQ(SendRecord(frame, kHandOffId, padded.c_str(), static_cast<DWORD>(text.size() * 2)), 1);
  EXPECT_TRUE(gui::WaitUntil([&] { return LogHasRequest(photo_); })) << Log();
  EXPECT_EQ(Log().find(Utf8(padded)), std::string::npos);
}

TEST_F(ViewerTest, InstallAndUninstallRunWithoutAWindow) {
  gui::Process& install = Start(L"/install");
  DWORD code = 1;
  ASSERT_TRUE(install.WaitExit(15000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(gui::IniValue(ConfigPath(), L"app", L"user_set_default_viewer"), L"1");
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\Vantor.jpg\\shell\\open\\command", nullptr,
                           RRF_RT_REG_SZ, nullptr, command, &size),
            ERROR_SUCCESS);
  EXPECT_NE(std::wstring(command).find(L"Vantor.exe\" \"%1\""), std::wstring::npos) << command;

  gui::Process& uninstall = Start(L"/uninstall");
  ASSERT_TRUE(uninstall.WaitExit(15000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(gui::FileExists(gui::DataFolder()));
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Vantor.jpg", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_TRUE(gui::WindowsOfClass(gui::kMainFrameClass).empty());
}

}  // namespace

namespace {

TEST_F(ViewerTest, ClosingTheLastViewerEndsTheTrayWhenAskedTo) {
  WriteConfig("[app]\r\ncompletely_exit=1\r\n");
  auto tray_running = [] { return !gui::WindowsOfClass(L"VantorTrayWindow").empty(); };
  gui::Process* first = nullptr;
  gui::Process* second = nullptr;
  HWND one = StartWindow(&first);
  ASSERT_NE(one, nullptr);
  ::SetWindowTextW(one, L"busy - Vantor");  // so the next launch opens its own window
  HWND two = StartWindow(&second, L"--from=main");
  ASSERT_NE(two, nullptr);
  ASSERT_TRUE(gui::WaitUntil(tray_running)) << "the viewer starts the tray a second after it opens";

  EXPECT_EQ(CloseAndWait(one, *first), 0u);
  EXPECT_TRUE(tray_running()) << "another viewer still runs";
  EXPECT_EQ(CloseAndWait(two, *second), 0u);
  EXPECT_TRUE(gui::WaitUntil([&] { return !tray_running(); })) << "the last viewer ends the tray";
}

}  // namespace


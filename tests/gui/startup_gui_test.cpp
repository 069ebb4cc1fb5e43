#include <windows.h>

#include <cstdint>
#include <cstring>

#include "common/test_files.h"
#include "viewer_fixture.h"

namespace {

using gui::IniValue;

TEST_F(ViewerTest, OpensDarkCaptionlessWindowAndSavesSettingsAtClose) {
  WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");  // wholly on screen
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(gui::WindowText(frame), L"Vantor");
  EXPECT_EQ(gui::WindowText(::GetDlgItem(frame, 1025)), L"") << "no picture, no title";
  EXPECT_EQ(::GetWindowLongPtrW(frame, GWL_STYLE) & WS_CAPTION, 0);

  // Away from the welcome items, everything is the canvas colour.
  gui::Capture shot;
  ASSERT_TRUE(gui::WaitUntil([&] {
    shot = gui::CaptureClient(frame);
    return shot.width > 0 && shot.At(20, shot.height / 2) == 0x272727;
  })) << std::hex << (shot.width > 0 ? shot.At(20, shot.height / 2) : 0) << " " << std::dec << shot.width;
  EXPECT_EQ(shot.At(1, 1), 0x272727u);
  EXPECT_EQ(shot.At(shot.width - 2, shot.height - 2), 0x272727u);
  EXPECT_EQ(shot.At(shot.width - 20, 100), 0x272727u);

  // The always-on receiver exists; the single-instance one only when asked for.
  EXPECT_NE(gui::WaitForMessageWindow(L"IPC-43AF68E358C97DCF97C45EA164F_Always"), nullptr);
  EXPECT_EQ(gui::FindMessageWindow(L"43AF68E358C97DCF97C45EA164F"), nullptr);

  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_EQ(IniValue(ConfigPath(), L"app", L"language_id"), L"en.ini");
  EXPECT_EQ(IniValue(ConfigPath(), L"app", L"preload_thread"), L"3");
  EXPECT_EQ(IniValue(ConfigPath(), L"app", L"last_position"), L"100_60_900_660");
  EXPECT_EQ(IniValue(ConfigPath(), L"lockscreen", L"enable"), L"<absent>");
}

TEST_F(ViewerTest, SingleInstanceReceiverFollowsTheSetting) {
  WriteConfig("[app]\r\nonly_one_instance=1\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(gui::WaitForMessageWindow(L"43AF68E358C97DCF97C45EA164F"), nullptr);
  EXPECT_NE(gui::WaitForMessageWindow(L"IPC-43AF68E358C97DCF97C45EA164F_Always"), nullptr);
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_EQ(gui::FindMessageWindow(L"43AF68E358C97DCF97C45EA164F"), nullptr);
}

TEST_F(ViewerTest, EscapeClosesTheWindow) {
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  ::PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  DWORD code = 1;
  EXPECT_TRUE(p->WaitExit(15000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(gui::FileExists(ConfigPath()));
}

// The message box's static text, found among its children.
bool BoxShowsText(HWND box, const std::wstring& text) {
  struct Search {
    const std::wstring* text;
    bool found;
  } s{&text, false};
  ::EnumChildWindows(
      box,
      [](HWND child, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (gui::WindowText(child) == *s->text) s->found = true;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

TEST_F(ViewerTest, MissingSkinArchiveShowsMessageAndExitsWithMinusOne) {
  std::wstring install = Scratch();
  ASSERT_TRUE(gui::CopyTree(gui::DistFolder(), install));
  gui::DeleteTree(install + L"resources");
  ASSERT_FALSE(gui::FileExists(install + L"resources\\res.zip"));

  gui::Process& p = Start(L"", install + L"Vantor.exe");
  HWND box = gui::WaitForProcessWindow(p.id(), L"#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(BoxShowsText(box, L"图片查看失败，请重新下载看图软件"));
  EXPECT_EQ(gui::FindProcessWindow(p.id(), gui::kMainFrameClass), nullptr);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  DWORD code = 0;
  ASSERT_TRUE(p.WaitExit(15000, &code));
  EXPECT_EQ(code, 0xFFFFFFFFu);
}

TEST_F(ViewerTest, MissingLanguageFilesLeaveTextsEmptyButStartUpGoesOn) {
  std::wstring install = Scratch();
  ASSERT_TRUE(gui::CopyTree(gui::DistFolder(), install));
  gui::DeleteTree(install + L"locales");
  gui::Process& p = Start(L"", install + L"Vantor.exe");
  HWND frame = gui::WaitForProcessWindow(p.id(), gui::kMainFrameClass);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(gui::WindowText(frame), L"Vantor");
  EXPECT_EQ(CloseAndWait(frame, p), 0u);
  EXPECT_EQ(IniValue(ConfigPath(), L"app", L"language_id"), L"en.ini");
}

TEST_F(ViewerTest, PictureFromTheCommandLineNamesTheWindow) {
  std::wstring folder = Scratch();
  std::wstring picture = folder + L"Canon_40D.jpg";
  ASSERT_TRUE(::CopyFileW((TestDataFolder() + L"Canon_40D.jpg").c_str(), picture.c_str(), FALSE));
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + picture + L"\"");
  ASSERT_NE(frame, nullptr);
  // Names over ten characters are cut, keeping the extension.
  const std::wstring title = L"Canon_40D....jpg ( 100x68 , 2008:05:30 15:56:01 ) - [1/1] 100%";
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame) == title; })) << gui::WindowText(frame).c_str();
  EXPECT_EQ(gui::WindowText(::GetDlgItem(frame, 1025)), title);
  RECT item{};
  ::GetWindowRect(::GetDlgItem(frame, 1025), &item);
  EXPECT_GT(item.right - item.left, 100) << "the item is sized to its text";
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, PictureIsShownCentredAndZoomsAboutTheCentre) {
  gui::Process* p = nullptr;
  HWND frame = StartWithQuadrants(&p, 400, 300);
  ASSERT_NE(frame, nullptr);
  const POINT centre = ViewCentre(frame);
  const int cx = centre.x, cy = centre.y;
  auto quadrants_at = [&](int d) { return ColoursAround(frame, d, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF); };
  EXPECT_TRUE(gui::WaitUntil([&] { return quadrants_at(100); }));
  gui::Capture shot = gui::CaptureClient(frame);
  EXPECT_EQ(shot.At(cx - 220, cy), 0x272727u) << "canvas beside the picture";
  EXPECT_EQ(shot.At(cx + 220, cy), 0x272727u);
  EXPECT_EQ(shot.At(cx - 160, cy - 160), 0x272727u);

  ::SendMessageW(frame, WM_COMMAND, 20003, 0);  // zoom in about the centre
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame).find(L" 110%") != std::wstring::npos; }))
      << gui::WindowText(frame).c_str();
  // 440x330 now: 160 pixels above the centre is picture, where at 100 % it was canvas.
  EXPECT_TRUE(gui::WaitUntil([&] { return quadrants_at(160); })) << "110 % reaches further from the centre";
  shot = gui::CaptureClient(frame);
  EXPECT_EQ(shot.At(cx - 225, cy - 50), 0x272727u);
  ::SendMessageW(frame, WM_COMMAND, 20002, 0);  // back to the fit
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame).find(L" 100%") != std::wstring::npos; }));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, StoredPlacementIsRestoredAndWrittenBack) {
  struct {
    const char* stored;
    bool maximized;
  } cases[] = {{"MAX", true}, {"100_100_700_900", true}, {"bad", true}, {"120_80_920_680", false}};
  for (const auto& c : cases) {
    SetUp();
    WriteConfig(std::string("[app]\r\nlast_position=") + c.stored + "\r\n");
    gui::Process* p = nullptr;
    HWND frame = StartWindow(&p);
    ASSERT_NE(frame, nullptr) << c.stored;
    EXPECT_EQ(::IsZoomed(frame) != FALSE, c.maximized) << c.stored;
    if (!c.maximized) {
      RECT rc{};
      ::GetWindowRect(frame, &rc);
      EXPECT_EQ(rc.left, 120);
      EXPECT_EQ(rc.top, 80);
      EXPECT_EQ(rc.right, 920);
      EXPECT_EQ(rc.bottom, 680);
      ::SetWindowPos(frame, nullptr, 60, 50, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EXPECT_EQ(CloseAndWait(frame, *p), 0u);
    EXPECT_EQ(IniValue(ConfigPath(), L"app", L"last_position"), c.maximized ? L"MAX" : L"60_50_860_650") << c.stored;
  }
}

TEST_F(ViewerTest, MinimisedWindowStoresItsNormalRectangle) {
  WriteConfig("[app]\r\nlast_position=120_80_920_680\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  ::ShowWindow(frame, SW_MINIMIZE);
  ASSERT_TRUE(gui::WaitUntil([&] { return ::IsIconic(frame) != FALSE; }));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_EQ(IniValue(ConfigPath(), L"app", L"last_position"), L"120_80_920_680");
}

TEST_F(ViewerTest, LogIsWrittenOnlyWithItsMarker) {
  std::wstring log = gui::LogFolder() + L"main.log";
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_FALSE(gui::FileExists(log));

  ::CreateDirectoryW(gui::LogFolder().c_str(), nullptr);
  gui::WriteFileBytes(log + L".on", "");
  for (int run = 0; run < 2; ++run) {
    frame = StartWindow(&p);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  }
  std::string text = gui::ReadFileBytes(log);
  const std::string line = "[I][  82][app_config] CAppConfig:";
  size_t first = text.find(line);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_NE(text.find(line, first + 1), std::string::npos) << "the second run appends";
  EXPECT_NE(text.find("Vantro\\config.ini"), std::string::npos);
}

TEST_F(ViewerTest, PrintCopyIsDeletedAtExit) {
  std::wstring copy = gui::DataFolder() + L"temp\\tempprint.jpg";
  ::CreateDirectoryW(gui::DataFolder().c_str(), nullptr);
  ::CreateDirectoryW((gui::DataFolder() + L"temp").c_str(), nullptr);
  gui::WriteFileBytes(copy, "old print copy");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(gui::FileExists(gui::DataFolder() + L"temp\\crash"));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_FALSE(gui::FileExists(copy));
}

TEST_F(ViewerTest, TrayAndLaunchStatisticsFollowTheOpening) {
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"--from=desktop");
  ASSERT_NE(frame, nullptr);
  std::wstring stats = gui::DataFolder() + L"stat_events.log";
  std::wstring tray = gui::DataFolder() + L"tray_starts.log";
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::ReadFileBytes(stats).find("main\topen_lnk\n") != std::string::npos; }));
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::ReadFileBytes(tray).find("--from=main") != std::string::npos; }));
  EXPECT_EQ(gui::ReadFileBytes(stats).rfind("main\topen\n", 0), 0u) << "the frame's opening comes first";
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

class UpdateHandOffTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    install_ = Scratch();
    ASSERT_TRUE(gui::CopyTree(gui::DistFolder(), install_));
    gui::WriteFileBytes(install_ + L"config.ini", "[update]\r\nstate=lumaUpdate\r\n");
  }
  std::string TrayStarts() { return gui::ReadFileBytes(gui::DataFolder() + L"tray_starts.log"); }
  std::wstring install_;
};

TEST_F(UpdateHandOffTest, WithoutTheUpdaterTheLaunchGoesToTheTray) {
  gui::Process& p = Start(L"--from=desktop", install_ + L"Vantor.exe");
  DWORD code = 1;
  ASSERT_TRUE(p.WaitExit(15000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(gui::FindProcessWindow(p.id(), gui::kMainFrameClass), nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return !TrayStarts().empty(); }));
  EXPECT_TRUE(gui::WaitUntil([] { return !gui::WindowsOfClass(L"VantorTrayWindow").empty(); }));
  EXPECT_NE(TrayStarts().find("--from=desktop --need-upgrade-privilege-now --entry=main --from=main"), std::string::npos)
      << TrayStarts();
}

TEST_F(UpdateHandOffTest, RunningUpdaterLeavesTheLaunchAlone) {
  HANDLE updater = ::CreateMutexW(nullptr, FALSE, L"KORVO_570E6FBC-027B-461C-9218-8447018C832F");
  ASSERT_NE(updater, nullptr);
  gui::Process& p = Start(L"", install_ + L"Vantor.exe");
  HWND frame = gui::WaitForProcessWindow(p.id(), gui::kMainFrameClass);
  EXPECT_NE(frame, nullptr);
  // The frame starts the tray itself a second later, but never with the update request.
  gui::WaitUntil([&] { return !TrayStarts().empty(); }, 3000);
  EXPECT_EQ(TrayStarts().find("--need-upgrade-privilege-now"), std::string::npos) << TrayStarts();
  if (frame) {
    EXPECT_EQ(CloseAndWait(frame, p), 0u);
  }
  ::CloseHandle(updater);
}

}  // namespace

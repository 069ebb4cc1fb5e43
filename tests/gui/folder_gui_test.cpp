#include <windows.h>

#include "viewer_fixture.h"

namespace {

class FolderTest : public ViewerTest {
 protected:
  // img2.jpg, img10.jpg and IMG1.png are pictures (by their names); the rest are not.
  std::wstring MakeFolder() {
    std::wstring folder = Scratch();
    for (const wchar_t* name : {L"img2.jpg", L"img10.jpg", L"IMG1.png"})
      gui::WriteFileBytes(folder + name, QuadrantBmp(64, 48));
    gui::WriteFileBytes(folder + L"notes.txt", "not a picture");
    gui::WriteFileBytes(folder + L"tool.exe", "not a picture");
    return folder;
  }
  static bool TitleIs(HWND frame, const wchar_t* name, const wchar_t* position) {
    return gui::WaitUntil(
        [&] {
          std::wstring t = gui::WindowText(frame);
          return t.rfind(name, 0) == 0 && t.find(position) != std::wstring::npos;
        },
        8000);
  }
};

TEST_F(FolderTest, KeysStepThroughTheFolderInNaturalOrder) {
  std::wstring folder = MakeFolder();
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"img2.jpg\"");
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleIs(frame, L"img2.jpg", L"[2/3]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(TitleIs(frame, L"img10.jpg", L"[3/3]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_RIGHT, 0);  // the last one: no wrapping by default
  ::PostMessageW(frame, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(TitleIs(frame, L"img2.jpg", L"[2/3]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(TitleIs(frame, L"IMG1.png", L"[1/3]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_LEFT, 0);  // the first one: nothing before it
  ::PostMessageW(frame, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(TitleIs(frame, L"img2.jpg", L"[2/3]")) << gui::WindowText(frame).c_str();

  // The shown file goes away on disk: stepping goes on from the list.
  ::DeleteFileW((folder + L"img2.jpg").c_str());
  ::PostMessageW(frame, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(TitleIs(frame, L"img10.jpg", L"[3/3]")) << gui::WindowText(frame).c_str();
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(FolderTest, WrappingFollowsTheSetting) {
  std::wstring folder = MakeFolder();
  WriteConfig("[app]\r\nview_folder_loop=1\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"img10.jpg\"");
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleIs(frame, L"img10.jpg", L"[3/3]"));
  ::PostMessageW(frame, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(TitleIs(frame, L"IMG1.png", L"[1/3]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(TitleIs(frame, L"img10.jpg", L"[3/3]")) << gui::WindowText(frame).c_str();
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(FolderTest, APictureAloneShowsOneOfOne) {
  std::wstring folder = Scratch();
  gui::WriteFileBytes(folder + L"only.png", QuadrantBmp(64, 48));
  gui::WriteFileBytes(folder + L"readme.txt", "x");
  WriteConfig("[app]\r\nview_folder_loop=1\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"only.png\"");
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleIs(frame, L"only.png", L"[1/1]")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_KEYDOWN, VK_RIGHT, 0);
  ::Sleep(300);  // nothing is expected to happen; give it the chance
  EXPECT_TRUE(TitleIs(frame, L"only.png", L"[1/1]"));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

}  // namespace

namespace {

TEST_F(FolderTest, TheNextPictureIsReadyBeforeTheStep) {
  ::CreateDirectoryW(gui::LogFolder().c_str(), nullptr);
  gui::WriteFileBytes(gui::LogFolder() + L"main.log.on", "");
  WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");
  std::wstring folder = Scratch();
  // Large enough to be fitted in the background rather than at once.
  gui::WriteFileBytes(folder + L"a.bmp", QuadrantBmp(1600, 1200));
  gui::WriteFileBytes(folder + L"b.bmp", QuadrantBmp(1600, 1200));
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"a.bmp\"");
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleIs(frame, L"a.bmp", L"[1/2]"));
  ASSERT_TRUE(gui::WaitUntil(
      [] { return gui::ReadFileBytes(gui::LogFolder() + L"main.log").find("Prepared ahead:b.bmp") != std::string::npos; },
      15000));
  // The step is sent, so it has been painted when the call returns: capture at once.
  ::SendMessageW(frame, WM_COMMAND, 20006, 0);
  EXPECT_TRUE(ColoursAround(frame, 60, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF)) << "the first paint is the picture";
  EXPECT_TRUE(TitleIs(frame, L"b.bmp", L"[2/2]"));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

}  // namespace

namespace {

TEST_F(FolderTest, PageTurnStripsFadeInAndTurnOnPress) {
  WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");
  std::wstring folder = MakeFolder();
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"img2.jpg\"");
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleIs(frame, L"img2.jpg", L"[2/3]"));
  HWND view = ::GetDlgItem(frame, 101);
  RECT area{};
  ::GetClientRect(view, &area);
  const int mid = area.bottom / 2;
  // The strip's middle, in the frame's client coordinates where pixels are read.
  POINT probe{24, mid};
  ::MapWindowPoints(view, frame, &probe, 1);
  const DWORD before = gui::CaptureClient(frame).At(probe.x, probe.y);
  ::PostMessageW(view, WM_MOUSEMOVE, 0, MAKELPARAM(24, mid));
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::CaptureClient(frame).At(probe.x, probe.y) != before; }))
      << "the left strip fades in under the mouse";
  ::PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, mid));
  ::PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(10, mid));
  EXPECT_TRUE(TitleIs(frame, L"IMG1.png", L"[1/3]")) << gui::WindowText(frame).c_str();
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

}  // namespace

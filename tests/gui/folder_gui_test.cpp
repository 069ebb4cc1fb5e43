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

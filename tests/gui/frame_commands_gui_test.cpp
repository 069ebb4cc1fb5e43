#include <windows.h>

#include <algorithm>

#include "viewer_fixture.h"

namespace {

constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

bool TitleHas(HWND frame, const wchar_t* part) {
  return gui::WaitUntil([&] { return gui::WindowText(frame).find(part) != std::wstring::npos; }, 5000);
}

TEST_F(ViewerTest, KeysReachTheirCommandsAndOtherCharactersDoNothing) {
  gui::Process* p = nullptr;
  HWND frame = StartWithQuadrants(&p, 1600, 1200);  // fits below 100 %
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(TitleHas(frame, L"1600x1200"));
  // Opening shows 100 % until the view reports its fit, and no position until the
  // folder has been read.
  ASSERT_TRUE(gui::WaitUntil([&] {
    std::wstring t = gui::WindowText(frame);
    return t.find(L" 100%") == std::wstring::npos && t.find(L"[1/1]") != std::wstring::npos;
  }));
  const std::wstring fitted = gui::WindowText(frame);

  ::PostMessageW(frame, WM_CHAR, L'x', 0);  // swallowed
  ::PostMessageW(frame, WM_KEYDOWN, '1', 0);  // actual size
  EXPECT_TRUE(TitleHas(frame, L" 100%")) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_CHAR, L'/', 0);  // and back to the fit
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame) == fitted; })) << gui::WindowText(frame).c_str();
  ::PostMessageW(frame, WM_CHAR, L'+', 0);
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame) != fitted; })) << "zoomed in";
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, EnterTogglesFullScreenAndEscapeLeavesIt) {
  gui::Process* p = nullptr;
  HWND frame = StartWithQuadrants(&p, 400, 300);
  ASSERT_NE(frame, nullptr);
  RECT before{};
  ::GetWindowRect(frame, &before);
  ::PostMessageW(frame, WM_KEYDOWN, VK_RETURN, 0);
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_TRUE(gui::WaitUntil([&] {
    RECT rc{};
    ::GetWindowRect(frame, &rc);
    return rc.left == 0 && rc.top == 0 && rc.right == sw && rc.bottom == sh;
  }));
  ::PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(gui::WaitUntil([&] {
    RECT rc{};
    ::GetWindowRect(frame, &rc);
    return ::EqualRect(&rc, &before) != FALSE;
  }));
  EXPECT_TRUE(p->running()) << "Esc in full screen only leaves it";
  // Closed while in full screen, the window stores where it was before.
  ::PostMessageW(frame, WM_KEYDOWN, VK_RETURN, 0);
  gui::WaitUntil([&] {
    RECT rc{};
    ::GetWindowRect(frame, &rc);
    return rc.left == 0 && rc.right == sw;
  });
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
  EXPECT_EQ(gui::IniValue(ConfigPath(), L"app", L"last_position"), L"100_60_900_660");
}

TEST_F(ViewerTest, RotationTurnsThePictureOnScreen) {
  gui::Process* p = nullptr;
  HWND frame = StartWithQuadrants(&p, 400, 300);
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return ColoursAround(frame, 60, kRed, kGreen, kBlue, kWhite); }));
  ::SendMessageW(frame, WM_COMMAND, 20008, 0);  // clockwise
  EXPECT_TRUE(TitleHas(frame, L"( 300x400"));
  EXPECT_TRUE(gui::WaitUntil([&] { return ColoursAround(frame, 60, kBlue, kRed, kWhite, kGreen); }));
  ::SendMessageW(frame, WM_COMMAND, 20007, 0);  // and back
  EXPECT_TRUE(gui::WaitUntil([&] { return ColoursAround(frame, 60, kRed, kGreen, kBlue, kWhite); }));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, AlwaysOnTopToggles) {
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  auto topmost = [&] { return (::GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  EXPECT_FALSE(topmost());
  ::SendMessageW(frame, WM_COMMAND, 21600, 0);
  EXPECT_TRUE(gui::WaitUntil(topmost));
  ::SendMessageW(frame, WM_COMMAND, 21600, 0);
  EXPECT_TRUE(gui::WaitUntil([&] { return !topmost(); }));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}


TEST_F(ViewerTest, CaptionButtonsSitTopRightAndDoTheirWork) {
  WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  RECT client{};
  ::GetClientRect(frame, &client);
  const int ids[] = {1023, 1026, 1027};  // close, maximise, minimise from the right
  for (int i = 0; i < 3; ++i) {
    HWND button = ::GetDlgItem(frame, ids[i]);
    ASSERT_NE(button, nullptr) << ids[i];
    RECT rc{};
    ::GetWindowRect(button, &rc);
    ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, client.right - 30 * (i + 1)) << ids[i];
    EXPECT_EQ(rc.top, 1);
    EXPECT_EQ(rc.right - rc.left, 30);
  }
  // A click on the maximise button: pressed and released over it.
  HWND maximize = ::GetDlgItem(frame, 1026);
  ::PostMessageW(maximize, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
  ::PostMessageW(maximize, WM_LBUTTONUP, 0, MAKELPARAM(15, 15));
  EXPECT_TRUE(gui::WaitUntil([&] { return ::IsZoomed(frame) != FALSE; }));
  ::SendMessageW(frame, WM_COMMAND, 1026, 0);
  EXPECT_TRUE(gui::WaitUntil([&] { return ::IsZoomed(frame) == FALSE; }));
  ::SendMessageW(frame, WM_COMMAND, 1027, 0);
  EXPECT_TRUE(gui::WaitUntil([&] { return ::IsIconic(frame) != FALSE; }));
  ::ShowWindow(frame, SW_RESTORE);
  ::PostMessageW(frame, WM_COMMAND, 1023, 0);
  DWORD code = 1;
  EXPECT_TRUE(p->WaitExit(15000, &code));
  EXPECT_EQ(code, 0u);
}


TEST_F(ViewerTest, BrokenFileShowsItsNameWithoutACrash) {
  std::wstring folder = Scratch();
  gui::WriteFileBytes(folder + L"broken.jpg", "this is not a JPEG at all");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p, L"\"" + folder + L"broken.jpg\"");
  ASSERT_NE(frame, nullptr);
  // No size is known, so the title is the name and the position alone.
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame) == L"broken.jpg - [1/1]"; }))
      << gui::WindowText(frame).c_str();
  EXPECT_TRUE(p->running());
  // The localised error text is drawn in grey under the name.
  EXPECT_TRUE(gui::WaitUntil([&] {
    gui::Capture shot = gui::CaptureClient(frame);
    return std::count(shot.pixels.begin(), shot.pixels.end(), 0x696969u) > 20;
  }));
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, AFileThatWentAwayShowsTheMissingFileTip) {
  gui::Process* p = nullptr;
  std::wstring picture;
  HWND frame = StartWithQuadrants(&p, 400, 300, &picture);
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return ColoursAround(frame, 60, kRed, kGreen, kBlue, kWhite); }));
  ASSERT_TRUE(::DeleteFileW(picture.c_str())) << "the shown file is not held against deletion";
  ::SendMessageW(frame, WM_COMMAND, 21802, 0);  // refresh: the view is built again
  // The tip's dark box sits where the picture was; the picture is gone.
  const POINT c = ViewCentre(frame);
  EXPECT_TRUE(gui::WaitUntil([&] {
    DWORD px = gui::CaptureClient(frame).At(c.x - 80, c.y - 20);
    return (px & 0xFF) < 0x20 && ((px >> 8) & 0xFF) < 0x20 && (px >> 16) < 0x20;
  }));
  EXPECT_FALSE(ColoursAround(frame, 60, kRed, kGreen, kBlue, kWhite));
  EXPECT_TRUE(p->running());
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}


TEST_F(ViewerTest, WheelZoomKeepsThePointUnderTheCursorAndDraggingPans) {
  gui::Process* p = nullptr;
  HWND frame = StartWithQuadrants(&p, 1600, 1200);
  ASSERT_NE(frame, nullptr);
  // The wheel zooms, without the question.
  ::SendMessageW(frame, WM_COMMAND, 21701, 0);
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return ColoursAround(frame, 40, kRed, kGreen, kBlue, kWhite); }));
  const POINT c = ViewCentre(frame);
  auto pixel = [&](int dx, int dy) { return gui::CaptureClient(frame).At(c.x + dx, c.y + dy); };

  // At actual size the picture overflows the view, so the cursor's point can stay put.
  ::SendMessageW(frame, WM_COMMAND, 20002, 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(frame).find(L" 100%") != std::wstring::npos; }));
  ASSERT_TRUE(gui::WaitUntil([&] { return pixel(-5, -50) == kRed && pixel(5, -50) == kGreen; }));

  // One notch up, 100 pixels right of the centre: the boundary moves 10 pixels left.
  POINT at{c.x + 100, c.y};
  ::ClientToScreen(frame, &at);
  ::PostMessageW(frame, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(at.x, at.y));
  EXPECT_TRUE(gui::WaitUntil([&] { return pixel(-5, -50) == kGreen; })) << "zoomed about the cursor";
  EXPECT_EQ(pixel(-15, -50), kRed);
  EXPECT_NE(gui::WindowText(frame).find(L" 110%"), std::wstring::npos);

  // A drag of 60 pixels to the right moves the picture with it.
  HWND view = ::GetDlgItem(frame, 101);
  POINT v{200, 100};
  ::PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(v.x, v.y));
  ::PostMessageW(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(v.x + 30, v.y));
  ::PostMessageW(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(v.x + 60, v.y));
  ::PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(v.x + 60, v.y));
  EXPECT_TRUE(gui::WaitUntil([&] { return pixel(45, -50) == kRed && pixel(55, -50) == kGreen; }))
      << "the boundary followed the drag";
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}


TEST_F(ViewerTest, TopStripDragsAndTheWindowKeepsItsMinimumSize) {
  WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");
  gui::Process* p = nullptr;
  HWND frame = StartWindow(&p);
  ASSERT_NE(frame, nullptr);
  POINT strip{300, 10}, below{300, 200};
  ::ClientToScreen(frame, &strip);
  ::ClientToScreen(frame, &below);
  EXPECT_EQ(::SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(strip.x, strip.y)), HTCAPTION);
  EXPECT_NE(::SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(below.x, below.y)), HTCAPTION);
  MINMAXINFO info{};
  info.ptMaxTrackSize = POINT{4000, 4000};
  ::SendMessageW(frame, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 700);
  EXPECT_EQ(info.ptMinTrackSize.y, 500);
  EXPECT_EQ(CloseAndWait(frame, *p), 0u);
}

TEST_F(ViewerTest, DoubleClickFollowsTheSetting) {
  for (int action : {0, 1}) {
    SetUp();
    WriteConfig("[app]\r\nlast_position=100_60_900_660\r\ndouble_click_action=" + std::to_string(action) + "\r\n");
    std::wstring folder = Scratch();
    gui::WriteFileBytes(folder + L"q.bmp", QuadrantBmp(1600, 1200));
    gui::Process* p = nullptr;
    HWND frame = StartWindow(&p, L"\"" + folder + L"q.bmp\"");
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(gui::WaitUntil([&] {
      std::wstring t = gui::WindowText(frame);
      return t.find(L" 100%") == std::wstring::npos && t.find(L"[1/1]") != std::wstring::npos;
    }));
    const std::wstring fitted = gui::WindowText(frame);
    const int fit_percent = std::stoi(fitted.substr(fitted.rfind(L' ') + 1));
    HWND view = ::GetDlgItem(frame, 101);
    ::PostMessageW(view, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 200));
    ::PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    // Twice the fit (truncated to whole percent), or actual size.
    const std::wstring expected = action == 0 ? L" " + std::to_wstring(fit_percent * 2) : L" 100%";
    EXPECT_TRUE(gui::WaitUntil([&] {
      std::wstring t = gui::WindowText(frame);
      return t.find(expected) != std::wstring::npos || (action == 0 && t.find(L" " + std::to_wstring(fit_percent * 2 + 1)) != std::wstring::npos);
    })) << gui::WindowText(frame).c_str();
    EXPECT_EQ(CloseAndWait(frame, *p), 0u);
    TearDown();
  }
}

}  // namespace

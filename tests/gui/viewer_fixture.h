// Every GUI test starts from empty per-user folders and ends what it started.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <list>
#include <string>

#include "gui_driver.h"

// A 24-bit BMP in four coloured quadrants: red, green above; blue, white below.
inline std::string QuadrantBmp(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  std::string bmp(54 + stride * h, '\0');
  auto put32 = [&](size_t at, uint32_t v) { memcpy(&bmp[at], &v, 4); };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, static_cast<uint32_t>(-h));  // top-down
  bmp[26] = 1, bmp[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t c = y < h / 2 ? (x < w / 2 ? 0xFF0000 : 0x00FF00) : (x < w / 2 ? 0x0000FF : 0xFFFFFF);
      char* p = &bmp[54 + y * stride + x * 3];
      p[0] = static_cast<char>(c & 0xFF), p[1] = static_cast<char>((c >> 8) & 0xFF), p[2] = static_cast<char>(c >> 16);
    }
  return bmp;
}

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui::EndTrayProcesses();
    gui::DeleteTree(gui::DataFolder());
    gui::DeleteTree(gui::LogFolder());
  }
  void TearDown() override {
    processes_.clear();  // terminates what is still running, by process id
    gui::EndTrayProcesses();
    for (const auto& folder : scratch_) gui::DeleteTree(folder);
  }

  gui::Process& Start(const std::wstring& args, const std::wstring& exe = L"", const std::wstring& cwd = L"") {
    processes_.push_back(gui::Process::Start(exe.empty() ? gui::DistFolder() + L"Vantor.exe" : exe, args, cwd));
    return processes_.back();
  }
  // Starts a viewer and waits for its main window.
  HWND StartWindow(gui::Process** process, const std::wstring& args = L"") {
    gui::Process& p = Start(args);
    if (process) *process = &p;
    HWND frame = gui::WaitForProcessWindow(p.id(), gui::kMainFrameClass);
    // A window may show before its initialisation ends; an answered message means it did.
    DWORD_PTR ignored = 0;
    if (frame) ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    return frame;
  }
  void WriteConfig(const std::string& ini) {
    ::CreateDirectoryW(gui::DataFolder().c_str(), nullptr);
    gui::WriteFileBytes(ConfigPath(), ini);
  }
  std::wstring ConfigPath() const { return gui::DataFolder() + L"config.ini"; }
  std::wstring Scratch() {
    scratch_.push_back(gui::TempFolderPath());
    return scratch_.back();
  }
  // Closes the frame as the taskbar would and returns the exit code.
  DWORD CloseAndWait(HWND frame, gui::Process& p) {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    EXPECT_TRUE(p.WaitExit(15000, &code));
    return code;
  }

  // The picture area's centre in the frame's client coordinates, and a reader of the
  // four colours d pixels around it. Pixels are read through the frame: a child's own DC
  // cannot be read back on every system.
  static POINT ViewCentre(HWND frame) {
    RECT area{};
    ::GetWindowRect(::GetDlgItem(frame, 101), &area);
    ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&area), 2);
    return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  }
  static bool ColoursAround(HWND frame, int d, DWORD tl, DWORD tr, DWORD bl, DWORD br) {
    POINT c = ViewCentre(frame);
    gui::Capture shot = gui::CaptureClient(frame);
    return shot.width > c.x + d && shot.height > c.y + d && shot.At(c.x - d, c.y - d) == tl &&
           shot.At(c.x + d, c.y - d) == tr && shot.At(c.x - d, c.y + d) == bl && shot.At(c.x + d, c.y + d) == br;
  }
  // Starts a viewer at a known placement showing a quadrant picture of the given size;
  // the picture's path comes back in *path when asked for.
  HWND StartWithQuadrants(gui::Process** process, int w, int h, std::wstring* path = nullptr) {
    WriteConfig("[app]\r\nlast_position=100_60_900_660\r\n");
    const std::wstring picture = Scratch() + L"quadrants.bmp";
    gui::WriteFileBytes(picture, QuadrantBmp(w, h));
    if (path) *path = picture;
    return StartWindow(process, L"\"" + picture + L"\"");
  }

  std::list<gui::Process> processes_;
  std::vector<std::wstring> scratch_;
};

// Every GUI test starts from empty per-user folders and ends what it started.
#pragma once
#include <gtest/gtest.h>

#include <list>

#include "gui_driver.h"

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

  std::list<gui::Process> processes_;
  std::vector<std::wstring> scratch_;
};

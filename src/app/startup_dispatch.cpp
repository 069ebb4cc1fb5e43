#include "app/startup_dispatch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

#include "app/app_config.h"
#include "app/app_paths.h"
#include "app/command_line.h"
#include "basic_lib/win32_system.h"
#include "framework/scoped_win.h"
#include "ipc-message/message/instance_receiver.h"

namespace startup_dispatch {
namespace {

const wchar_t kAssociationMutex[] = L"KvMainSetFileAssociation-9c1a7e1574578709";
const wchar_t kExitMutex[] = L"KvMainExitMutex-ad756f18033b6ea0";

typedef int(__stdcall* SetDefaultImageViewerFn)(int);
typedef int(__stdcall* UnInstallFn)(HKEY);

framework::ScopedModule LoadAssociationLibrary() {
  std::wstring path = app_paths::InstallFolder() + L"DorerUvidu.dll";
  return framework::ScopedModule(::LoadLibraryW(path.c_str()));
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

void RunInstall() {
  framework::ScopedHandle mutex(::CreateMutexW(nullptr, FALSE, kAssociationMutex));
  bool owned = mutex && ::WaitForSingleObject(mutex.Get(), INFINITE) != WAIT_FAILED;
  CAppConfig& config = CAppConfig::Instance();
  config.user_set_default_viewer = 1;
  config.Save();
  {
    framework::ScopedModule library = LoadAssociationLibrary();
    if (auto set = Export<SetDefaultImageViewerFn>(library.Get(), "SetDefaultImageViewer")) set(0);
  }
  // Let the next association worker in as soon as ours is done.
  if (owned) ::ReleaseMutex(mutex.Get());
}

void RunUninstall() {
  {
    framework::ScopedModule library = LoadAssociationLibrary();
    if (auto uninstall = Export<UnInstallFn>(library.Get(), "UnInstall")) uninstall(HKEY_CURRENT_USER);
  }
  std::wstring folder = app_paths::DataFolder();
  wchar_t from[MAX_PATH + 2] = {};
  wcsncpy(from, folder.c_str(), MAX_PATH - 1);
  ::PathRemoveBackslashW(from);  // the shell deletes a folder named without the slash
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from;  // double-zero-terminated by the zeroed buffer
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  ::SHFileOperationW(&op);
}

std::vector<HWND> OtherMainFrames(bool first_only) {
  struct Search {
    bool first_only;
    std::vector<HWND> found;
  } search{first_only, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == ::GetCurrentProcessId()) return TRUE;
        wchar_t cls[1024] = {};
        ::GetClassNameW(hwnd, cls, 1024);
        if (wcscmp(cls, kMainFrameClassName) != 0) return TRUE;
        s->found.push_back(hwnd);
        return s->first_only ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

bool HandToIdleWindow(const std::wstring& text) {
  for (HWND frame : OtherMainFrames(false)) {
    wchar_t title[16] = {};
    ::GetWindowTextW(frame, title, 16);
    if (wcscmp(title, L"Vantor") != 0) continue;
    if (SendHandOff(frame, text)) return true;
  }
  return false;
}

bool Run(const CCommandLine& command_line) {
  if (command_line.HasSwitch(L"/install")) {
    RunInstall();
    return false;
  }
  if (command_line.HasSwitch(L"/uninstall")) {
    RunUninstall();
    return false;
  }
  if (command_line.HasSwitch(L"--setting") && SendToAlwaysReceiver(L"--setting")) return false;
  if (command_line.HasSwitch(L"--show-existing") && SendToAlwaysReceiver(command_line.Text())) return false;
  if (command_line.HasSwitch(L"--LockscreenSet") && SendToAlwaysReceiver(command_line.Text())) return false;

  std::wstring file = command_line.FileToOpen();
  if (CAppConfig::Instance().only_one_instance) {
    HWND receiver = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, kSingleInstanceReceiverName);
    if (receiver && SendHandOff(receiver, file)) return false;
  }
  if (HandToIdleWindow(file)) return false;
  return true;
}

void RunLastInstanceExit() {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kExitMutex);
  // Closing instances take turns; the handle stays owned until the process ends.
  if (mutex) ::WaitForSingleObject(mutex, 10000);
  if (!OtherMainFrames(true).empty()) return;
  // The quit message to the tray goes over the channel once it exists.
  win32_system::TerminateProcessesByPath(app_paths::InstallFolder() + L"VantorTray.exe");
}

}  // namespace startup_dispatch

#include "app/app_paths.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace app_paths {
namespace {

std::wstring AppDataChild(const wchar_t* name) {
  wchar_t appdata[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appdata))) return {};
  wchar_t path[MAX_PATH] = {};
  ::PathCanonicalizeW(path, appdata);
  ::PathAppendW(path, name);
  ::PathAddBackslashW(path);
  return path;
}

}  // namespace

std::wstring InstallFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ::PathRemoveFileSpecW(path);
  ::PathAddBackslashW(path);
  return path;
}

std::wstring DataFolder() { return AppDataChild(L"Vantro"); }
std::wstring TempFolder() { return DataFolder() + L"temp\\"; }
std::wstring CrashFolder() { return TempFolder() + L"crash\\"; }
std::wstring LogFolder() { return AppDataChild(L"Vantor"); }
std::wstring ConfigPath() { return DataFolder() + L"config.ini"; }

void CreateUserFolders() {
  std::wstring crash = CrashFolder();
  if (::PathFileExistsW(crash.c_str())) return;
  for (const std::wstring& folder : {DataFolder(), TempFolder(), crash}) {
    if (!::PathFileExistsW(folder.c_str())) ::CreateDirectoryW(folder.c_str(), nullptr);
  }
}

}  // namespace app_paths

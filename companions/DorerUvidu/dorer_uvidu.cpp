// The default-viewer library: it registers the viewer beside it for the current user's
// picture extensions and takes that registration back again.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "association.h"

namespace {

HMODULE g_module = nullptr;

std::wstring ViewerPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(g_module, path, MAX_PATH);
  ::PathRemoveFileSpecW(path);
  ::PathAppendW(path, L"Vantor.exe");
  return path;
}

void NotifyShell() { ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" {

// Non-zero when every picture extension opens with this viewer.
__declspec(dllexport) int __stdcall IsAssociationOK() {
  std::wstring exe = ViewerPath();
  for (const auto& ext : association::PictureExtensions())
    if (!association::IsRegistered(HKEY_CURRENT_USER, ext, exe)) return 0;
  return 1;
}

__declspec(dllexport) int __stdcall SetDefaultImageViewer(int) {
  std::wstring exe = ViewerPath();
  bool ok = true;
  for (const auto& ext : association::PictureExtensions()) ok = association::Register(HKEY_CURRENT_USER, ext, exe) && ok;
  NotifyShell();
  return ok ? 1 : 0;
}

// Only the per-user registration is ours to take back, whatever root is asked for.
__declspec(dllexport) int __stdcall UnInstall(HKEY root) {
  if (root != HKEY_CURRENT_USER) return 0;
  for (const auto& ext : association::PictureExtensions()) association::Unregister(HKEY_CURRENT_USER, ext);
  NotifyShell();
  return 1;
}

__declspec(dllexport) int __stdcall SetAssociation(const wchar_t* changes) {
  std::wstring exe = ViewerPath();
  for (const auto& [ext, claim] : association::ParseChangeList(changes)) {
    if (claim)
      association::Register(HKEY_CURRENT_USER, ext, exe);
    else
      association::Unregister(HKEY_CURRENT_USER, ext);
  }
  NotifyShell();
  return 1;
}

}  // extern "C"

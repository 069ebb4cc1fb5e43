// The usage-statistics component. It keeps the events it is given in a text file in the
// per-user data folder and sends nothing anywhere.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>
#include <string>

#include "companions/common/plib_wrapper.h"

namespace {

std::mutex g_lock;
bool g_started = false;

std::wstring EventFilePath() {
  wchar_t appdata[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appdata))) return {};
  wchar_t path[MAX_PATH] = {};
  ::PathCombineW(path, appdata, L"Vantro\\stat_events.log");
  return path;
}

void AppendLine(const std::wstring& line) {
  std::wstring path = EventFilePath();
  if (path.empty()) return;
  std::wstring text = line + L"\n";
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

class PLibWrapper final : public IPLibWrapper {
 public:
  void Init(int, const wchar_t* product, int) override { product_ = product ? product : L""; }
  void Release() override { delete this; }
  void Reserved2() override {}
  void Reserved3() override {}
  void SetQuickIndex(int flag) override {
    quick_index_ = flag ? 1 : 0;
    AppendLine(L"wrapper\tquick_index\t" + std::to_wstring(quick_index_));
  }
  int GetQuickIndex() override { return quick_index_; }

 private:
  std::wstring product_;
  int quick_index_ = 1;
};

}  // namespace

extern "C" {

__declspec(dllexport) int __stdcall StartStat() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_started = true;
  return 1;
}

__declspec(dllexport) int __stdcall SendStatUrl(const wchar_t* category, const wchar_t* event) {
  if (!category || !event || !*category || !*event) return 0;
  std::lock_guard<std::mutex> guard(g_lock);
  AppendLine(std::wstring(category) + L"\t" + event);
  return 1;
}

// Events are written at once, so there is never anything left to wait for.
__declspec(dllexport) int __stdcall WaitStatComplete(unsigned) { return 1; }

__declspec(dllexport) IPLibWrapper* __stdcall CreatePLibWrapper() { return new PLibWrapper(); }

__declspec(dllexport) const wchar_t* __stdcall GetOsVersion() {
  static wchar_t text[128] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{sizeof(info)};
    auto get = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!get || get(&info) != 0) ::GetVersionExW(&info);
    swprintf(text, 128, L"Windows %lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
  });
  return text;
}

}  // extern "C"

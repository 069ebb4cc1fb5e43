#include "basic_lib/stat_wrapper.h"

#include <shlwapi.h>

#include <atomic>
#include <mutex>

#include "app/app_paths.h"
#include "companions/common/plib_wrapper.h"

namespace {

std::atomic<bool> g_stat_started{false};

// Resolved once: the library already loaded, else the install folder's copy, else the
// parent folder's. Without it the viewer cannot run, so the process ends.
HMODULE StatLibrary() {
  static HMODULE module = [] {
    HMODULE m = ::GetModuleHandleW(L"common.dll");
    if (m) return m;
    std::wstring folder = app_paths::InstallFolder();
    std::wstring path = folder + L"common.dll";
    if (!::PathFileExistsW(path.c_str())) {
      wchar_t parent[MAX_PATH] = {};
      wcsncpy(parent, folder.c_str(), MAX_PATH - 1);
      ::PathRemoveBackslashW(parent);
      ::PathRemoveFileSpecW(parent);
      ::PathAppendW(parent, L"common.dll");
      path = parent;
    }
    m = ::LoadLibraryW(path.c_str());
    if (!m) ::ExitProcess(0);
    return m;
  }();
  return module;
}

template <typename Fn>
Fn Export(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(StatLibrary(), name)));
}

void EnsureStarted() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (auto start = Export<StartStatFn>("StartStat")) {
      start();
      g_stat_started = true;
    }
  });
}

// Waits for pending events when the process ends, only if they were ever started.
struct StatCompletion {
  ~StatCompletion() {
    if (!g_stat_started) return;
    if (HMODULE m = ::GetModuleHandleW(L"common.dll")) {
      auto wait = reinterpret_cast<WaitStatCompleteFn>(reinterpret_cast<void*>(::GetProcAddress(m, "WaitStatComplete")));
      if (wait) wait(2000);
    }
  }
} g_stat_completion;

}  // namespace

CStatWrapper::CStatWrapper() {
  std::wstring path = app_paths::InstallFolder() + L"common.dll";
  if (!::PathFileExistsW(path.c_str())) return;
  HMODULE m = ::LoadLibraryW(path.c_str());
  if (!m) return;
  auto create = reinterpret_cast<CreatePLibWrapperFn>(reinterpret_cast<void*>(::GetProcAddress(m, "CreatePLibWrapper")));
  wrapper_ = create ? create() : nullptr;
  if (wrapper_) wrapper_->Init(0, L"vantor", 0);
}

CStatWrapper::~CStatWrapper() {
  if (wrapper_) wrapper_->Release();
}

void CStatWrapper::Send(const std::wstring& category, const std::wstring& event) {
  if (category.empty() || event.empty()) return;
  EnsureStarted();
  if (auto send = Export<SendStatUrlFn>("SendStatUrl")) send(category.c_str(), event.c_str());
}

void CStatWrapper::SendUtf8(const char* category, const char* event) {
  auto widen = [](const char* s) {
    std::wstring out;
    if (!s || !*s) return out;
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    out.resize(n > 0 ? n - 1 : 0);
    if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, s, -1, out.data(), n);
    return out;
  };
  Send(widen(category), widen(event));
}

int CStatWrapper::QuickIndexFlag() { return wrapper_ ? wrapper_->GetQuickIndex() : 1; }

void CStatWrapper::SetQuickIndexFlag(int flag) {
  if (wrapper_) wrapper_->SetQuickIndex(flag);
}

std::wstring CStatWrapper::OsVersion() {
  auto get = Export<GetOsVersionFn>("GetOsVersion");
  const wchar_t* text = get ? get() : nullptr;
  return text ? text : L"";
}

std::wstring CStatWrapper::LaunchEvent(const std::wstring& action, const std::wstring& from) {
  static const struct {
    const wchar_t* from;
    const wchar_t* source;
  } kSources[] = {{L"task", L"auto"},          {L"reg_run", L"auto_reg"}, {L"svc", L"svc"},
                  {L"startmenu", L"menu"},     {L"main", L"main"},        {L"desktop", L"lnk"},
                  {L"tray", L"tray"},          {L"newinstall", L"newinstall"},
                  {L"upinstall", L"upinstall"}, {L"contextmenu", L"contextmenu"},
                  {L"openwith", L"shell"}};
  const wchar_t* source = L"unknown";
  for (const auto& entry : kSources)
    if (from == entry.from) source = entry.source;
  return action + L"_" + source;
}

#include "app/zelto_app.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "app/app_config.h"
#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/lang_strings.h"
#include "app/startup_dispatch.h"
#include "app/zeltodlg.h"
#include "basic_lib/auto_init.h"
#include "image/current_picture.h"
#include "view_render/current_folder_image.h"
#include "view_render/system_cache.h"
#include "basic_lib/stat_wrapper.h"
#include "basic_lib/win32_system.h"
#include "ipc-message/message/instance_receiver.h"
#include "logging/my_log.h"

namespace {

IWICImagingFactory* g_wic_factory = nullptr;

const wchar_t kUpdaterMutex[] = L"KORVO_570E6FBC-027B-461C-9218-8447018C832F";
const wchar_t kUpdateGuardMutex[] = L"9BB62ABF-C1B3-43ED-BABF-B085F3FB3A57";
const wchar_t kTrayMutex[] = L"Global\\KvTray-95745a12eeaa410d";
const wchar_t kTrayUpgradeMutex[] = L"KvTrayUpgradePrivilegeName-d7a77ee6517af62d";
const wchar_t kResourcesMissing[] = L"图片查看失败，请重新下载看图软件";

// Static construction, before WinMain: the log, the configuration (which fixes the
// language) and the application name, in that order.
const wchar_t* StaticStartup() {
  CMyLog::Instance();
  CAppConfig::Instance();
  static const std::wstring name = lang_strings::GetText(L"app", L"NAME");
  return name.c_str();
}

bool TrayRunning() { return win32_system::MutexExists(kTrayMutex) || win32_system::MutexExists(kTrayUpgradeMutex); }

// Keeps the newest ten crash dumps.
void TrimCrashFolder() {
  std::wstring folder = app_paths::CrashFolder();
  struct Dump {
    std::wstring path;
    FILETIME written;
  };
  std::vector<Dump> dumps;
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((folder + L"*.dmp").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) dumps.push_back({folder + fd.cFileName, fd.ftLastWriteTime});
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
  if (dumps.size() <= 10) return;
  std::sort(dumps.begin(), dumps.end(),
            [](const Dump& a, const Dump& b) { return ::CompareFileTime(&a.written, &b.written) > 0; });
  for (size_t i = 10; i < dumps.size(); ++i) ::DeleteFileW(dumps[i].path.c_str());
}

}  // namespace

CZeltoApp& GetApp() { return *static_cast<CZeltoApp*>(framework::AfxGetApp()); }

IWICImagingFactory* GetWICFactory() { return g_wic_factory; }

void ReleaseWICFactory() {
  if (g_wic_factory) g_wic_factory->Release();
  g_wic_factory = nullptr;
}

bool CreateWICFactory() {
  ReleaseWICFactory();
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&g_wic_factory))))
    g_wic_factory = nullptr;
  return g_wic_factory != nullptr;
}

CZeltoApp::CZeltoApp() : CWinApp(StaticStartup()) { app_paths::CreateUserFolders(); }

CZeltoApp::~CZeltoApp() = default;

bool CZeltoApp::StartTray(const std::wstring& params) {
  if (TrayRunning()) return false;
  std::wstring exe = app_paths::InstallFolder() + L"VantorTray.exe";
  std::wstring args = params + L" --from=main";
  HINSTANCE r = ::ShellExecuteW(nullptr, L"open", exe.c_str(), args.c_str(), nullptr, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

bool CZeltoApp::RunUpdateHandOff() {
  std::wstring install_config = app_paths::InstallFolder() + L"config.ini";
  if (!::PathFileExistsW(install_config.c_str())) return false;
  wchar_t state[260] = {};
  ::GetPrivateProfileStringW(L"update", L"state", L"", state, 260, install_config.c_str());
  if (wcscmp(state, L"lumaUpdate") != 0 || win32_system::MutexExists(kUpdaterMutex)) return false;

  HANDLE guard = ::OpenMutexW(1, FALSE, kUpdateGuardMutex);
  if (!guard && ::GetLastError() == ERROR_ACCESS_DENIED) return true;
  bool handed = false;
  if (!TrayRunning()) handed = StartTray(m_lpCmdLine + L" --need-upgrade-privilege-now --entry=main");
  if (guard) ::CloseHandle(guard);
  return handed;
}

BOOL CZeltoApp::InitInstance() {
  com_.reset();
  com_ = std::make_unique<FCAutoInitializeCOM>();
  gdiplus_.reset();
  gdiplus_ = std::make_unique<FCAutoInitGDIPlus>();
  CreateWICFactory();

  CCommandLine& command_line = CCommandLine::Instance();
  command_line.Parse(m_lpCmdLine);
  if (!startup_dispatch::Run(command_line)) return FALSE;
  if (RunUpdateHandOff()) return FALSE;

  INITCOMMONCONTROLSEX icc{sizeof(icc), 0x000000FF};
  ::InitCommonControlsEx(&icc);

  std::wstring resources = app_paths::InstallFolder() + L"resources";
  std::wstring archive = resources + L"\\res.zip";
  if (!::PathIsDirectoryW(resources.c_str()) || !::PathFileExistsW(archive.c_str())) {
    ::MessageBoxW(nullptr, kResourcesMissing, m_pszAppName.c_str(), MB_OK | MB_ICONERROR);
    ::ExitProcess(0xFFFFFFFF);
  }

  UpdateInstanceReceivers();

  {
    CZeltoDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  }
  return FALSE;
}

int CZeltoApp::ExitInstance() {
  CCurrentFolderImage::Instance().Stop();
  view_render::CSystemCache::Instance().CancelAll();
  view_render::CSystemCache::Instance().WaitIdle();
  CurrentPicture::Instance().Reset();
  std::wstring print_copy = app_paths::TempFolder() + L"tempprint.jpg";
  if (::PathFileExistsW(print_copy.c_str())) ::DeleteFileW(print_copy.c_str());
  TrimCrashFolder();

  ReleaseWICFactory();
  gdiplus_.reset();
  com_.reset();

  CStatWrapper::DestroyInstance();
  CMyLog::DestroyInstance();
  CCommandLine::DestroyInstance();
  return CWinApp::ExitInstance();
}

void CZeltoApp::UpdateInstanceReceivers() {
  auto allow_copydata = [](HWND hwnd) {
    if (hwnd) ::ChangeWindowMessageFilterEx(hwnd, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  };
  if (!CAppConfig::Instance().only_one_instance) {
    receiver_.reset();
  } else if (!receiver_) {
    receiver_ = std::make_unique<CIPCReceiver>();
    receiver_->Create(kSingleInstanceReceiverName);
    allow_copydata(receiver_->GetSafeHwnd());
  }
  if (!always_receiver_) {
    always_receiver_ = std::make_unique<CIPCAlwaysReceiver>();
    always_receiver_->Create(kAlwaysReceiverName);
    allow_copydata(always_receiver_->GetSafeHwnd());
  }
}

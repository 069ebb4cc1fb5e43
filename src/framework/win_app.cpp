#include "framework/win_app.h"

#include "framework/wnd.h"

namespace framework {
namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const wchar_t* app_name) : m_pszAppName(app_name ? app_name : L"") {
  g_app = this;
  m_hInstance = ::GetModuleHandleW(nullptr);
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_exit_code; }

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (m_pMainWnd && m_pMainWnd->PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : ::GetModuleHandleW(nullptr); }

int AfxWinMain(HINSTANCE instance, const wchar_t* cmd_line) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = cmd_line ? cmd_line : L"";
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

}  // namespace framework

// The application object: one per process, constructed statically, driven by wWinMain.
#pragma once
#include <windows.h>

#include <string>

namespace framework {

class CWnd;

class CWinApp {
 public:
  explicit CWinApp(const wchar_t* app_name);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // TRUE runs the message loop; FALSE goes straight to ExitInstance.
  virtual BOOL InitInstance();
  virtual int ExitInstance();
  int Run();

  std::wstring m_pszAppName;
  HINSTANCE m_hInstance = nullptr;
  // The command-line text without the program path.
  std::wstring m_lpCmdLine;
  CWnd* m_pMainWnd = nullptr;
  int m_exit_code = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Entry used by wWinMain.
int AfxWinMain(HINSTANCE instance, const wchar_t* cmd_line);

}  // namespace framework

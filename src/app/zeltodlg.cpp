#include "app/zeltodlg.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/app_config.h"
#include "app/command_line.h"
#include "app/startup_dispatch.h"
#include "app/title_record.h"
#include "app/lang_strings.h"
#include "image/current_picture.h"
#include "image/image_classify.h"
#include "view_render/current_folder_image.h"
#include "view_render/system_cache.h"
#include "widgets/main_image_view.h"
#include "widgets/png_button.h"
#include "app/zelto_app.h"
#include "basic_lib/stat_wrapper.h"
#include "framework/dc.h"
#include "framework/scoped_win.h"
#include "framework/win_app.h"
#include "ipc-message/message/instance_receiver.h"
#include "logging/my_log.h"
#include "resources/resource.h"

namespace {

constexpr COLORREF kFrameColor = 0x272727;
constexpr UINT kMsgRefresh = 0x81FC;
constexpr UINT kMsgFirstStart = 0x81FE;
constexpr UINT kMsgOpenFromLaunch = 0x81FF;
constexpr UINT kMsgLockscreenSettings = 0x8206;
constexpr UINT kMsgPlaceTitle = 0x5220;
constexpr UINT kCmdSettings = 21800;
constexpr UINT kCmdActualSize = 20002, kCmdZoomIn = 20003, kCmdZoomOut = 20004;
constexpr UINT kCmdScrollUp = 26000, kCmdScrollDown = 26001;
constexpr UINT kCmdPrevious = 20005, kCmdNext = 20006;
constexpr UINT kCmdClose = 1023, kCmdMaximize = 1026, kCmdMinimize = 1027;
constexpr UINT kCmdRotateLeft = 20007, kCmdRotateRight = 20008, kCmdFullScreen = 20013, kCmdOpen = 21000;
constexpr UINT kCmdTopmost = 21600, kCmdWheelPages = 21700, kCmdWheelZooms = 21701;
constexpr UINT kCmdToolbarTop = 21750, kCmdToolbarBottom = 21751, kCmdRefresh = 21802;
constexpr int kTopStrip = 31, kToolbarBand = 62;
constexpr UINT_PTR kTimerQuit = 4096;
constexpr UINT_PTR kTimerTray = 4097;
constexpr UINT_PTR kTimerLaunchStat = 4098;
constexpr UINT_PTR kTimerResizeBurst = 4099;
constexpr int kDragStrip = 30;

// The frame's class is the system dialog class under our own name, so that other
// launches can find the viewer by class.
void RegisterFrameClass() {
  WNDCLASSEXW wc{sizeof(wc)};
  if (::GetClassInfoExW(framework::AfxGetInstanceHandle(), kMainFrameClassName, &wc)) return;
  if (!::GetClassInfoExW(nullptr, L"#32770", &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.hInstance = framework::AfxGetInstanceHandle();
  wc.lpszClassName = kMainFrameClassName;
  ::RegisterClassExW(&wc);
}

}  // namespace

CZeltoDlg::CZeltoDlg()
    : CDialog(IDD_MAIN_FRAME),
      image_view_(std::make_unique<WndMainImageView>()),
      close_button_(std::make_unique<CPngButton>(kCmdClose)),
      maximize_button_(std::make_unique<CPngButton>(kCmdMaximize)),
      minimize_button_(std::make_unique<CPngButton>(kCmdMinimize)) {
  RegisterFrameClass();
  accelerators_ = ::LoadAcceleratorsW(framework::AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  back_brush_ = ::CreateSolidBrush(kFrameColor);
}

CZeltoDlg::~CZeltoDlg() {
  if (back_brush_) ::DeleteObject(back_brush_);
  if (font_normal_) ::DeleteObject(font_normal_);
  if (font_bold_) ::DeleteObject(font_bold_);
}

void CZeltoDlg::PlaceTitle(int width, int height) {
  // The title starts just right of the logo, which is 89 pixels wide until it exists.
  int logo_width = 89;
  if (HWND logo = GetDlgItem(IDC_LOGO)) {
    RECT rc{};
    ::GetClientRect(logo, &rc);
    logo_width = rc.right;
  }
  if (HWND title = GetDlgItem(IDC_TITLE_TEXT))
    ::SetWindowPos(title, nullptr, logo_width + 16, 1, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CZeltoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::ChangeWindowMessageFilterEx(m_hWnd, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  ::ChangeWindowMessageFilterEx(m_hWnd, WM_DROPFILES, MSGFLT_ALLOW, nullptr);
  ::ChangeWindowMessageFilterEx(m_hWnd, 0x0049 /* WM_COPYGLOBALDATA */, MSGFLT_ALLOW, nullptr);

  CAppConfig::Instance().RestorePlacement(m_hWnd);

  RECT none{0, 0, 0, 0};
  image_view_->Create(none, m_hWnd, IDC_IMAGE_VIEW);
  LayoutChildren();

  HINSTANCE instance = framework::AfxGetInstanceHandle();
  auto big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  auto small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

  CStatWrapper::Instance().Send(L"main", L"open");
  PostMessageW(kMsgFirstStart);
  ::DragAcceptFiles(m_hWnd, TRUE);
  quit_message_ = ::RegisterWindowMessageW(L"Korvo_quit_broadcast_msg");

  const CCommandLine& command_line = CCommandLine::Instance();
  if (command_line.HasSwitch(L"--setting"))
    PostMessageW(WM_COMMAND, kCmdSettings);
  else if (command_line.HasSwitch(L"--LockscreenSet"))
    PostMessageW(kMsgLockscreenSettings);

  if (HWND title = GetDlgItem(IDC_TITLE_TEXT)) {
    ::SetWindowLongPtrW(title, GWL_STYLE, ::GetWindowLongPtrW(title, GWL_STYLE) | SS_CENTERIMAGE);
    RECT rc{};
    ::GetWindowRect(title, &rc);
    ::SetWindowPos(title, nullptr, 105, 1, rc.right - rc.left, 29, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  LOGFONTW lf{};
  lf.lfHeight = -14;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  wcscpy(lf.lfFaceName, L"Segoe UI");
  lf.lfWeight = FW_NORMAL;
  font_normal_ = ::CreateFontIndirectW(&lf);
  lf.lfWeight = FW_BOLD;
  font_bold_ = ::CreateFontIndirectW(&lf);

  close_button_->Create(m_hWnd, IDP_CLOSE);
  maximize_button_->Create(m_hWnd, ::IsZoomed(m_hWnd) ? IDP_RESTORE : IDP_MAXIMIZE);
  minimize_button_->Create(m_hWnd, IDP_MINIMIZE);

  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

  ::SetForegroundWindow(m_hWnd);
  SetTimer(kTimerTray, 1000);
  SetTimer(kTimerLaunchStat, 1000);
  CAppConfig::Instance().quick_index = CStatWrapper::Instance().QuickIndexFlag();
  GetTitleRecord().Refresh();
  return TRUE;
}

BOOL CZeltoDlg::PreTranslateMessage(MSG* msg) {
  if (accelerators_ && m_hWnd && ::TranslateAcceleratorW(m_hWnd, accelerators_, msg)) return TRUE;
  // Typed characters have no other use here; the accelerators took the ones that do.
  if (msg->message == WM_CHAR) return TRUE;
  if (msg->message == quit_message_ && quit_message_ != 0 && msg->hwnd == m_hWnd) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  // The wheel goes to the picture wherever the focus is.
  HWND view = image_view_->GetSafeHwnd();
  if (msg->message == WM_MOUSEWHEEL && view && msg->hwnd != view) {
    ::SendMessageW(view, WM_MOUSEWHEEL, msg->wParam, msg->lParam);
    return TRUE;
  }
  if (view && (msg->hwnd == view || ::IsChild(view, msg->hwnd)) && image_view_->PreTranslateMessage(msg)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

BOOL CZeltoDlg::OnCommand(WPARAM wp, LPARAM lp) {
  switch (LOWORD(wp)) {
    case kCmdActualSize:
      image_view_->ToggleActualSize();
      return TRUE;
    case kCmdZoomIn:
    case kCmdZoomOut:
      image_view_->ZoomInOut(LOWORD(wp) == kCmdZoomIn);
      return TRUE;
    case kCmdScrollUp:
    case kCmdScrollDown:
      image_view_->ScrollPage(LOWORD(wp));
      return TRUE;
    case kCmdRotateLeft:
    case kCmdRotateRight:
      image_view_->Rotate(LOWORD(wp) == kCmdRotateRight);
      return TRUE;
    case kCmdFullScreen:
      ToggleFullScreen();
      return TRUE;
    case kCmdClose:
      RunQuitSequence();
      return TRUE;
    case kCmdMaximize:
      SendMessageW(WM_SYSCOMMAND, ::IsZoomed(m_hWnd) ? SC_RESTORE : SC_MAXIMIZE);
      return TRUE;
    case kCmdMinimize:
      SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE);
      return TRUE;
    case kCmdPrevious:
    case kCmdNext: {
      const bool forward = LOWORD(wp) == kCmdNext;
      std::wstring next = CCurrentFolderImage::Instance().GetNeighbourPath(forward ? 1 : -1);
      if (next.empty()) return TRUE;
      view_render::CSystemCache::Instance().SetDirection(forward ? 1 : 2);
      OpenPicture(next);
      return TRUE;
    }
    case kCmdOpen:
      ShowOpenDialog();
      return TRUE;
    case kCmdTopmost: {
      bool topmost = (::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      ::SetWindowPos(m_hWnd, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      return TRUE;
    }
    case kCmdWheelPages:
    case kCmdWheelZooms: {
      CAppConfig& config = CAppConfig::Instance();
      config.mouse_wheel_action = LOWORD(wp) == kCmdWheelZooms ? 1 : 0;
      config.show_wheel_favorite = 0;
      return TRUE;
    }
    case kCmdToolbarTop:
    case kCmdToolbarBottom:
      CAppConfig::Instance().toolbar_dock = LOWORD(wp) == kCmdToolbarBottom ? 1 : 0;
      LayoutChildren();
      image_view_->OnFrameLayout();
      return TRUE;
    case kCmdRefresh:
      // A changed setting or effect must show: the view is built again.
      ::SetFocus(image_view_->GetSafeHwnd());
      image_view_->ShowCurrentPicture();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    case IDOK:
      return TRUE;  // Enter never ends the viewer
  }
  UINT command = LOWORD(wp);
  if ((command >= 20000 && command <= 20014) || (command >= 21000 && command <= 21804) ||
      (command >= 26000 && command <= 26002) || command == 1023 || command == 1026 || command == 1027) {
    NotYetAvailable(command);
    return TRUE;
  }
  return CDialog::OnCommand(wp, lp);
}

void CZeltoDlg::NotYetAvailable(UINT command) { VLOG_INFO() << L"Command not available yet:" << command; }

void CZeltoDlg::ToggleFullScreen() {
  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  if (!full_screen_) {
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    full_screen_saved_ = std::make_unique<RECT>(rc);
    full_screen_ = true;
    ::ShowWindow(maximize_button_->GetSafeHwnd(), SW_HIDE);
    ::ShowWindow(minimize_button_->GetSafeHwnd(), SW_HIDE);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_THICKFRAME)) | WS_POPUP);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                   SWP_NOZORDER | SWP_FRAMECHANGED);
  } else {
    RECT rc = full_screen_saved_ ? *full_screen_saved_ : RECT{0, 0, 800, 600};
    full_screen_saved_.reset();
    full_screen_ = false;
    ::ShowWindow(maximize_button_->GetSafeHwnd(), SW_SHOW);
    ::ShowWindow(minimize_button_->GetSafeHwnd(), SW_SHOW);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | WS_THICKFRAME);
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  LayoutChildren();
  ::UpdateWindow(m_hWnd);
}

void CZeltoDlg::ShowOpenDialog() {
  // The filter's "|" separators become the zeros the dialog expects.
  wchar_t pattern[2048] = {};
  ::LoadStringW(framework::AfxGetInstanceHandle(), IDS_OPEN_FILTER, pattern, 2048);
  wchar_t filter[2304] = {};
  swprintf(filter, 2304, pattern, lang_strings::GetText(L"FILE", L"SUPPORT_FILE").c_str());
  for (wchar_t* p = filter; *p; ++p)
    if (*p == L'|') *p = L'\0';
  wchar_t file[MAX_PATH] = {};
  std::wstring folder;
  const std::wstring& current = CurrentPicture::Instance().path();
  if (!current.empty()) {
    wchar_t dir[MAX_PATH] = {};
    wcsncpy(dir, current.c_str(), MAX_PATH - 1);
    ::PathRemoveFileSpecW(dir);
    ::PathAddBackslashW(dir);
    folder = dir;
  }
  OPENFILENAMEW ofn{sizeof(ofn)};
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (::GetOpenFileNameW(&ofn)) OpenPicture(file);
}

std::wstring DroppedPicture(HDROP drop) {
  wchar_t path[MAX_PATH] = {};
  UINT got = ::DragQueryFileW(drop, 0, path, MAX_PATH);
  return got > 0 && ClassifyImageFile(path) != 0 ? std::wstring(path) : std::wstring();
}

void CZeltoDlg::OnDropFiles(HDROP drop) {
  std::wstring path = DroppedPicture(drop);
  ::DragFinish(drop);
  if (!path.empty()) OpenPicture(path);
}

void CZeltoDlg::OnCancel() {
  if (full_screen_) {
    ToggleFullScreen();
    return;
  }
  closing_ = true;
  EndDialog(IDCANCEL);
}

LRESULT CZeltoDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_NCHITTEST:
      return OnNcHitTest(lp);
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetBkColor(dc, kFrameColor);
      bool title = reinterpret_cast<HWND>(lp) == GetDlgItem(IDC_TITLE_TEXT);
      ::SetTextColor(dc, title ? 0xEEEEEE : kFrameColor);
      if (title) ::SelectObject(dc, GetTitleRecord().HasFile() ? font_normal_ : font_bold_);
      return reinterpret_cast<LRESULT>(back_brush_);
    }
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_QUERYENDSESSION:
      RunQuitSequence();
      return TRUE;
    case WM_COPYDATA:
      return OnCopyData(wp, reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case kMsgFirstStart:
      ::InvalidateRect(m_hWnd, nullptr, TRUE);
      ::UpdateWindow(m_hWnd);
      requested_path_ = CCommandLine::Instance().FileToOpen();
      if (!requested_path_.empty()) VLOG_INFO() << L"Open at start:" << requested_path_;
      OpenPicture(requested_path_);
      return 0;
    case kMsgOpenFromLaunch:
      if (::IsIconic(m_hWnd)) ShowWindow(SW_RESTORE);
      {
        DWORD own = ::GetCurrentThreadId();
        DWORD foreground = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
        bool attached = foreground && foreground != own && ::AttachThreadInput(own, foreground, TRUE);
        ::BringWindowToTop(m_hWnd);
        ::SetForegroundWindow(m_hWnd);
        if (attached) ::AttachThreadInput(own, foreground, FALSE);
      }
      if (wp) {
        requested_path_ = reinterpret_cast<const wchar_t*>(wp);
        VLOG_INFO() << L"Open from another launch:" << requested_path_;
        OpenPicture(requested_path_);
      }
      return 0;
    case kMsgRefresh:
      Invalidate();
      if (image_view_->GetSafeHwnd()) image_view_->ShowCurrentPicture();
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_ENTERSIZEMOVE:
      image_view_->BeginResizing();
      break;
    case WM_EXITSIZEMOVE:
      image_view_->EndResizing();
      break;
    case kMsgPlaceTitle:
      PlaceTitle(static_cast<int>(wp), static_cast<int>(lp));
      return 0;
    case kMsgLockscreenSettings:
      return 0;
  }
  return CDialog::WindowProc(msg, wp, lp);
}

void CZeltoDlg::OnPaint() {
  framework::CPaintDC dc(m_hWnd);
  PaintTo(dc);
}

void CZeltoDlg::PaintTo(HDC hdc) {
  framework::CDC dc(hdc);
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  dc.FillSolidRect(rc, kFrameColor);
  framework::ScopedGdiObj<HRGN> region(::CreateRectRgn(0, 0, 0, 0));
  if (::GetWindowRgn(m_hWnd, region.Get()) != ERROR) dc.FrameRgn(region.Get(), back_brush_, 1, 1);
}

void CZeltoDlg::OnSize(UINT type, int cx, int cy) {
  if (type == SIZE_MINIMIZED) return;
  // A region just over the client area cuts the resize frame away.
  RECT window{}, client{};
  ::GetWindowRect(m_hWnd, &window);
  ::GetClientRect(m_hWnd, &client);
  POINT origin{0, 0};
  ::ClientToScreen(m_hWnd, &origin);
  int left = origin.x - window.left, top = origin.y - window.top;
  HRGN region = ::CreateRectRgn(left, top, left + cx + 1, top + cy + 1);
  ::SetWindowRgn(m_hWnd, region, TRUE);  // the window owns the region now
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  PlaceCaptionButtons(cx);
  LayoutChildren();
  image_view_->OnFrameLayout();
  SetTimer(kTimerResizeBurst, 50);
}

void CZeltoDlg::PlaceCaptionButtons(int client_width) {
  CPngButton* order[] = {close_button_.get(), maximize_button_.get(), minimize_button_.get()};
  for (int i = 0; i < 3; ++i) {
    if (HWND button = order[i]->GetSafeHwnd())
      ::SetWindowPos(button, nullptr, client_width - 30 * (i + 1), 1, 30, 30, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  maximize_button_->SetPicture(::IsZoomed(m_hWnd) ? IDP_RESTORE : IDP_MAXIMIZE);
}

void CZeltoDlg::LayoutChildren() {
  if (!image_view_->GetSafeHwnd()) return;
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  // The picture area lies below the title strip, beside the toolbar's band.
  RECT view{0, kTopStrip, client.right, client.bottom - kToolbarBand};
  if (!CAppConfig::Instance().toolbar_dock) view = RECT{0, kTopStrip + kToolbarBand, client.right, client.bottom};
  if (view.bottom < view.top) view.bottom = view.top;
  ::SetWindowPos(image_view_->GetSafeHwnd(), nullptr, view.left, view.top, view.right - view.left,
                 view.bottom - view.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CZeltoDlg::OpenPicture(const std::wstring& path) {
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  ::UpdateWindow(m_hWnd);
  CurrentPicture::Instance().SetPath(path, view_render::CSystemCache::Instance().TakeLoader(path));
  image_view_->ShowCurrentPicture();
}

LRESULT CZeltoDlg::OnNcHitTest(LPARAM lp) {
  LRESULT hit = DefWindowProc(WM_NCHITTEST, 0, lp);
  if (full_screen_) return hit;
  POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  ::ScreenToClient(m_hWnd, &pt);
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  if (pt.y >= 0 && pt.y < kDragStrip && pt.x >= 0 && pt.x < client.right) return HTCAPTION;
  return hit;
}

void CZeltoDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
  info->ptMinTrackSize = POINT{700, 500};
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // A maximised caption-less window must not cover the taskbar.
  int overhang = info->ptMaxPosition.y < 0 ? -info->ptMaxPosition.y : 0;
  info->ptMaxSize.y = (work.bottom - work.top) + 2 * overhang;
}

void CZeltoDlg::OnTimer(UINT_PTR id) {
  KillTimer(id);
  switch (id) {
    case kTimerQuit:
      exit(0);
    case kTimerTray:
      CZeltoApp::StartTray(L"");
      break;
    case kTimerLaunchStat: {
      std::wstring from;
      CCommandLine::Instance().GetSwitch(L"from", &from);
      CStatWrapper::Instance().Send(L"main", CStatWrapper::LaunchEvent(L"open", from));
      break;
    }
    case kTimerResizeBurst:
      break;
  }
}

void CZeltoDlg::OnClose() {
  closing_ = true;
  // Closed from the taskbar while in full screen, the window still closes: the dialog's
  // own handling would only route this through Esc, which leaves full screen.
  EndDialog(IDCANCEL);
  if (CAppConfig::Instance().completely_exit) startup_dispatch::RunLastInstanceExit();
}

void CZeltoDlg::OnDestroy() {
  closing_ = true;
  image_view_->Shutdown();
  CAppConfig& config = CAppConfig::Instance();
  config.StorePlacement(m_hWnd, full_screen_saved_.get());
  config.Save();
}

void CZeltoDlg::RunQuitSequence() {
  closing_ = true;
  PostMessageW(quit_message_);
  SendMessageW(WM_CLOSE);
  SetTimer(kTimerQuit, 1000);
}

void CZeltoDlg::BringToTop() {
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CZeltoDlg::Raise() {
  if (::IsIconic(m_hWnd))
    ShowWindow(SW_RESTORE);
  else
    BringToTop();
}

LRESULT CZeltoDlg::OnCopyData(WPARAM wp, const COPYDATASTRUCT* cds) {
  if (closing_) return 0;
  if (!cds || cds->dwData != kHandOffCopyDataId) return CDialog::WindowProc(WM_COPYDATA, wp, reinterpret_cast<LPARAM>(cds));
  std::wstring text;
  if (!ReadHandOffText(cds, &text)) return 0;
  CCommandLine request;
  request.Parse(text);
  if (request.HasSwitch(L"setting")) {
    BringToTop();
    PostMessageW(WM_COMMAND, kCmdSettings);
  } else if (request.HasSwitch(L"show-existing")) {
    Raise();
  } else if (request.HasSwitch(L"LockscreenSet")) {
    VLOG_INFO() << L"Post LockscreenSet";
    PostMessageW(kMsgLockscreenSettings);
  } else if (!text.empty() && ::PathFileExistsW(text.c_str())) {
    SendMessageW(kMsgOpenFromLaunch, reinterpret_cast<WPARAM>(text.c_str()));
  } else {
    Raise();
  }
  return 1;
}

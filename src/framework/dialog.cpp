#include "framework/dialog.h"

#include "framework/win_app.h"

namespace framework {
namespace {
const wchar_t kObjectProp[] = L"framework.CDialog";
}

CDialog::CDialog(UINT template_id, HWND parent) : template_id_(template_id), parent_(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
  HWND owner = parent_;
  HWND hwnd = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(template_id_), owner,
                                   &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) return -1;
  bool owner_disabled = owner && ::IsWindowEnabled(owner) && !::EnableWindow(owner, FALSE);
  modal_result_ = -1;
  modal_running_ = true;
  if (m_hWnd && !::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

  MSG msg;
  while (modal_running_) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Keep WM_QUIT for the outer loop, as a modal loop must.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  modal_running_ = false;
  if (owner_disabled) ::EnableWindow(owner, TRUE);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  return modal_result_;
}

void CDialog::EndDialog(INT_PTR result) {
  modal_result_ = result;
  if (modal_running_) {
    modal_running_ = false;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
  }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (!m_hWnd) return FALSE;
  if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
  return ::IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnCommand(WPARAM wp, LPARAM) {
  switch (LOWORD(wp)) {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
  }
  return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && OnCommand(wp, lp)) return 0;
  return DefWindowProc(msg, wp, lp);
}

LRESULT CDialog::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  return ::CallWindowProcW(original_proc_, m_hWnd, msg, wp, lp);
}

// Only WM_INITDIALOG is handled here: it binds the object and subclasses the window,
// after which every message reaches WindowProc first and the dialog manager second.
INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  if (msg != WM_INITDIALOG) return FALSE;
  auto* self = reinterpret_cast<CDialog*>(lp);
  self->m_hWnd = hwnd;
  ::SetPropW(hwnd, kObjectProp, self);
  self->original_proc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::StaticWndProc)));
  return self->OnInitDialog();
}

LRESULT CALLBACK CDialog::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<CDialog*>(::GetPropW(hwnd, kObjectProp));
  if (!self) return ::DefDlgProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    WNDPROC original = self->original_proc_;
    ::RemovePropW(hwnd, kObjectProp);
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    LRESULT r = ::CallWindowProcW(original, hwnd, msg, wp, lp);
    self->m_hWnd = nullptr;
    if (self->modal_running_) self->EndDialog(self->modal_result_);
    self->PostNcDestroy();
    return r;
  }
  return self->WindowProc(msg, wp, lp);
}

}  // namespace framework

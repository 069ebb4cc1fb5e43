#include "ipc-message/message/instance_receiver.h"

#include "framework/win_app.h"
#include "framework/wnd.h"

namespace {

LRESULT ForwardToMainWindow(UINT msg, WPARAM wp, LPARAM lp) {
  framework::CWinApp* app = framework::AfxGetApp();
  HWND main = (app && app->m_pMainWnd) ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
  if (!main) return 0;
  return ::SendMessageW(main, msg, wp, lp);
}

bool IsReadableHandOff(LPARAM lp) {
  std::wstring unused;
  return ReadHandOffText(reinterpret_cast<const COPYDATASTRUCT*>(lp), &unused);
}

}  // namespace

bool ReadHandOffText(const COPYDATASTRUCT* cds, std::wstring* text) {
  if (!cds || !cds->lpData || cds->cbData < 2 || (cds->cbData % 2) != 0) return false;
  const wchar_t* data = static_cast<const wchar_t*>(cds->lpData);
  size_t units = cds->cbData / 2;
  size_t length = 0;
  while (length < units && data[length] != 0) ++length;
  text->assign(data, length);
  return true;
}

LRESULT CIPCReceiver::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_COPYDATA) return FCMessageWindow::WindowProc(msg, wp, lp);
  if (!IsReadableHandOff(lp)) return 0;
  return ForwardToMainWindow(msg, wp, lp);
}

LRESULT CIPCAlwaysReceiver::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_COPYDATA) return FCMessageWindow::WindowProc(msg, wp, lp);
  if (!IsReadableHandOff(lp)) return 0;
  return ForwardToMainWindow(msg, 0, lp);
}

LRESULT SendHandOff(HWND target, const std::wstring& text) {
  if (!target) return 0;
  COPYDATASTRUCT cds{};
  cds.dwData = kHandOffCopyDataId;
  cds.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  cds.lpData = const_cast<wchar_t*>(text.c_str());
  return ::SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

LRESULT SendToAlwaysReceiver(const std::wstring& text) {
  HWND receiver = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, kAlwaysReceiverName);
  return receiver ? SendHandOff(receiver, text) : 0;
}

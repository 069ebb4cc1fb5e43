#include "framework/wnd.h"

namespace framework {

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(msg, wp, lp); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

}  // namespace framework

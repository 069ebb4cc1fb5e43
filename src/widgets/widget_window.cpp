#include "widgets/widget_window.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <windowsx.h>

#include "app/app_paths.h"

namespace {

constexpr wchar_t kWidgetClass[] = L"VantorWidgetWindow";

std::map<UINT_PTR, FCTimerNotify*>& Timers() {
  static std::map<UINT_PTR, FCTimerNotify*> timers;  // window thread only
  return timers;
}

// The menu font's face at 9 points, made once for every widget window.
HFONT DefaultFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HDC screen = ::GetDC(nullptr);
    LOGFONTW lf = metrics.lfMenuFont;
    lf.lfHeight = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    return ::CreateFontIndirectW(&lf);
  }();
  return font;
}

}  // namespace

FCTimerNotify::FCTimerNotify() = default;

FCTimerNotify::~FCTimerNotify() { StopTimer(); }

void FCTimerNotify::StartTimer(UINT interval_ms) {
  StopTimer();
  UINT_PTR id = ::SetTimer(nullptr, 0, interval_ms, &FCTimerNotify::TimerProc);
  if (!id) return;
  timer_id_ = id;
  Timers()[id] = this;
}

void FCTimerNotify::StopTimer() {
  if (!timer_id_) return;
  Timers().erase(timer_id_);
  ::KillTimer(nullptr, timer_id_);
  timer_id_ = 0;
}

void CALLBACK FCTimerNotify::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Timers().find(id);
  if (it != Timers().end()) it->second->OnTimer();
}

namespace widget_window {

void CWidgetItemBitmapButton::Draw(HDC dc) {
  if (!image.IsValid()) return;
  const int state_width = image.Width() / 3;
  const int state = Has(kPressed) ? 2 : (Has(kHot) ? 1 : 0);
  RECT src{state * state_width, 0, (state + 1) * state_width, image.Height()};
  image.Draw(dc, 0, 0, state_width, image.Height(), &src);
}

void LoadResourcePicture(const wchar_t* name, int gdiplus_pixel_format, FCObjImage* image) {
  std::wstring path = app_paths::InstallFolder() + L"resources\\" + name;
  std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromFile(path.c_str(), FALSE));
  if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) {
    image->Destroy();
    return;
  }
  image->CreateFromGdiplusBitmap(bitmap.get(), gdiplus_pixel_format);
}

}  // namespace widget_window

CWidgetWindow::CWidgetWindow() = default;

CWidgetWindow::~CWidgetWindow() {
  items_.clear();
  layout_.reset();
  if (tooltip_) ::DestroyWindow(tooltip_);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CWidgetWindow::Create(const RECT& rect, HWND parent, UINT id) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = CS_DBLCLKS;  // double clicks are presses too
  wc.lpfnWndProc = &CWidgetWindow::StaticWndProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kWidgetClass;
  ::RegisterClassExW(&wc);
  HWND hwnd = ::CreateWindowExW(0, kWidgetClass, L"", 0x52010000, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                instance, this);
  return hwnd != nullptr;
}

LRESULT CALLBACK CWidgetWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<CWidgetWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->m_hWnd = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CWidgetWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->WindowProc(msg, wp, lp);
}

void CWidgetWindow::AddItem(CWidgetItem* item, int position) {
  if (!item) return;
  if (position == -1) {
    items_.emplace_back(item);
  } else if (position >= 0 && static_cast<size_t>(position) <= items_.size()) {
    items_.emplace(items_.begin() + position, item);
  } else {
    delete item;
  }
}

void CWidgetWindow::RemoveItem(int id) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if ((*it)->id == id) {
      items_.erase(it);
      return;
    }
  }
}

CWidgetItem* CWidgetWindow::FindItem(int id) const {
  for (const auto& item : items_)
    if (item->id == id) return item.get();
  return nullptr;
}

CWidgetItem* CWidgetWindow::HitTest(int x, int y) const {
  POINT pt{x, y};
  for (const auto& item : items_)
    if (item->Has(CWidgetItem::kVisible) && item->Has(CWidgetItem::kInteractive) && ::PtInRect(&item->rect, pt))
      return item.get();
  return nullptr;
}

void CWidgetWindow::Layout() {
  if (!layout_ || !m_hWnd) return;
  layout_->Arrange(m_hWnd, items_);
  RebuildToolTips();
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CWidgetWindow::RebuildToolTips() {
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  UINT tool_id = 100;
  for (const auto& item : items_) {
    if (!item->Has(CWidgetItem::kVisible)) continue;
    UINT id = tool_id++;  // an empty text still uses up its id
    if (item->tooltip.empty()) continue;
    if (!tooltip_) {
      tooltip_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
      if (!tooltip_) return;
      ::SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    }
    TOOLINFOW info{sizeof(info)};
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = m_hWnd;
    info.uId = id;
    info.rect = item->rect;
    info.lpszText = const_cast<wchar_t*>(item->tooltip.c_str());
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

BOOL CWidgetWindow::PreTranslateMessage(MSG* msg) {
  if (tooltip_) ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
  return CWnd::PreTranslateMessage(msg);
}

void CWidgetWindow::InvalidateItem(const CWidgetItem* item) {
  if (item && m_hWnd) ::InvalidateRect(m_hWnd, &item->rect, FALSE);
}

void CWidgetWindow::UpdateHover(int x, int y) {
  CWidgetItem* now = HitTest(x, y);
  CWidgetItem* before = nullptr;
  for (const auto& item : items_)
    if (item->Has(CWidgetItem::kHot)) before = item.get();
  if (now == before) return;
  if (before) {
    before->Set(CWidgetItem::kHot, false);
    before->OnHoverLeave();
    InvalidateItem(before);
  }
  if (now) {
    now->Set(CWidgetItem::kHot, true);
    now->OnHoverEnter();
    InvalidateItem(now);
  }
}

void CWidgetWindow::OnMouseLeave() { UpdateHover(-65535, -65535); }

void CWidgetWindow::OnItemRelease(CWidgetItem* item, int x, int y, bool released) {
  if (released && item && HitTest(x, y) == item) OnItemClick(item);
}

void CWidgetWindow::OnLButtonDown(int x, int y) {
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  UpdateHover(x, y);
  CWidgetItem* item = HitTest(x, y);
  if (OnItemPress(item)) return;
  ::SetCapture(m_hWnd);
  if (item) item->Set(CWidgetItem::kPressed, true);
  bool released = false;
  MSG msg{};
  int last_x = x, last_y = y;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::GetCapture() != m_hWnd) break;
    if (msg.message == WM_MOUSEMOVE) {
      last_x = GET_X_LPARAM(msg.lParam), last_y = GET_Y_LPARAM(msg.lParam);
      if (item) {
        bool over = HitTest(last_x, last_y) == item;
        if (over != item->Has(CWidgetItem::kHot)) {
          item->Set(CWidgetItem::kHot, over);
          InvalidateItem(item);
        }
      }
      continue;
    }
    if (msg.message == WM_LBUTTONUP) {
      last_x = GET_X_LPARAM(msg.lParam), last_y = GET_Y_LPARAM(msg.lParam);
      ::ReleaseCapture();
      released = true;
      break;
    }
    ::DispatchMessageW(&msg);
  }
  OnItemRelease(item, last_x, last_y, released);
  if (item) item->Set(CWidgetItem::kPressed, false);
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CWidgetWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  const RECT paint = ps.rcPaint;
  if (!::IsRectEmpty(&paint)) {
    const int w = paint.right - paint.left, h = paint.bottom - paint.top;
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
    if (bitmap) {
      {
        MemoryDcScope memory(bitmap);
        HGDIOBJ old_font = ::SelectObject(memory.dc(), font_ ? font_ : DefaultFont());
        ::SetViewportOrgEx(memory.dc(), -paint.left, -paint.top, nullptr);
        OnDraw(memory.dc(), paint);
        for (const auto& item : items_) {
          RECT overlap;
          if (!item->Has(CWidgetItem::kVisible) || !::IntersectRect(&overlap, &item->rect, &paint)) continue;
          ::SetViewportOrgEx(memory.dc(), item->rect.left - paint.left, item->rect.top - paint.top, nullptr);
          item->Draw(memory.dc());
          ::SetViewportOrgEx(memory.dc(), -paint.left, -paint.top, nullptr);
        }
        ::SetViewportOrgEx(memory.dc(), 0, 0, nullptr);
        ::BitBlt(dc, paint.left, paint.top, w, h, memory.dc(), 0, 0, SRCCOPY);
        ::SelectObject(memory.dc(), old_font);
      }
      ::DeleteObject(bitmap);
    }
  }
  ::EndPaint(m_hWnd, &ps);
}

LRESULT CWidgetWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEMOVE && !tracking_) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
    tracking_ = ::TrackMouseEvent(&tme);
    OnMouseEnter();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  } else if (msg == WM_MOUSELEAVE && tracking_) {
    tracking_ = FALSE;
    OnMouseLeave();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  switch (msg) {
    case WM_SIZE:
      Layout();
      break;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      UpdateHover(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
  }
  return CWnd::WindowProc(msg, wp, lp);
}

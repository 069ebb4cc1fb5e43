#include "widgets/main_image_view.h"

#include <shlwapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/app_config.h"
#include "app/lang_strings.h"
#include "app/title_record.h"
#include "app/zelto_app.h"
#include "framework/win_app.h"
#include "image/current_picture.h"
#include "view_render/async_task.h"
#include "view_render/current_folder_image.h"
#include "view_render/pre_render_key_frame.h"
#include "widgets/ui_event.h"

namespace main_view {
namespace {

constexpr UINT kCmdPrevious = 20005, kCmdNext = 20006, kCmdOpen = 21000, kCmdScrollUp = 26000, kCmdScrollDown = 26001;
constexpr int kPremultiplied = 0xE200B;  // PixelFormat32bppPARGB

HWND MainWindow() {
  framework::CWinApp* app = framework::AfxGetApp();
  return (app && app->m_pMainWnd) ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

// A strip of square frames, advanced every 100 ms until the first bitmap arrives.
class CLoadingGifItem : public CWidgetItem, public FCTimerNotify {
 public:
  explicit CLoadingGifItem(HWND owner) : CWidgetItem(kLoading), owner_(owner) {
    widget_window::LoadResourcePicture(L"loading.png", kPremultiplied, &strip_);
    frame_ = RECT{0, 0, strip_.Height(), strip_.Height()};
    Set(kInteractive, false);
    StartTimer(100);
  }
  void OnTimer() override {
    ::OffsetRect(&frame_, frame_.right - frame_.left, 0);
    if (frame_.right > strip_.Width()) frame_ = RECT{0, 0, strip_.Height(), strip_.Height()};
    if (owner_) ::InvalidateRect(owner_, &rect, FALSE);
  }
  void Draw(HDC dc) override {
    int fw = frame_.right - frame_.left, fh = frame_.bottom - frame_.top;
    if (!strip_.IsValid() || Width() <= 0 || Height() <= 0 || fw <= 0 || fh <= 0) return;
    if (fw > Width() || fh > Height()) {
      float k = std::min(static_cast<float>(Width()) / fw, static_cast<float>(Height()) / fh);
      fw = std::max(1, static_cast<int>(fw * k));
      fh = std::max(1, static_cast<int>(fh * k));
    }
    int x = (Width() - fw) / 2, y = (Height() - fh) / 2;
    strip_.Draw(dc, x, y, x + fw, y + fh, &frame_);
  }

 private:
  HWND owner_;
  FCObjImage strip_;
  RECT frame_;
};

// The page-turn strip at a side edge: it fades in while the mouse is over it.
class CTurnPageItem : public CWidgetItem, public FCTimerNotify {
 public:
  CTurnPageItem(int id, const FCObjImage& picture, HWND owner) : CWidgetItem(id), owner_(owner) {
    picture_.CopyFrom(picture);
  }
  void OnHoverEnter() override { Fade(+10); }
  void OnHoverLeave() override { Fade(-10); }
  void OnTimer() override {
    opacity_ = std::clamp(opacity_ + step_, 0, 100);
    if (opacity_ == 0 || opacity_ == 100) StopTimer();
    // Fading and premultiplying in one pass over the small picture.
    faded_.CopyFrom(picture_);
    if (faded_.ColorBits() == 32) {
      for (int y = 0; y < faded_.Height(); ++y) {
        BYTE* p = faded_.RowAt(y);
        for (int x = 0; x < faded_.Width(); ++x, p += 4) {
          const int a = p[3] * opacity_ / 100;
          p[3] = static_cast<BYTE>(a);
          for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(p[c] * a / 255);
        }
      }
    }
    if (owner_) ::InvalidateRect(owner_, &rect, FALSE);
  }
  void Draw(HDC dc) override {
    if (opacity_ == 0 || !faded_.IsValid()) return;
    const int h = faded_.Height(), w = faded_.Width(), middle = std::max(h - 10, 0);
    const int top_band = (Height() - middle) / 2;
    RECT top{0, 0, w, std::min(5, h)}, centre{0, 5, w, 5 + middle}, bottom{0, h - 5, w, h};
    faded_.Draw(dc, 0, 0, Width(), top_band, &top);
    faded_.Draw(dc, 0, top_band, Width(), top_band + middle, &centre);
    faded_.Draw(dc, 0, top_band + middle, Width(), Height(), &bottom);
  }
  int opacity() const { return opacity_; }

 private:
  void Fade(int step) {
    StopTimer();
    step_ = step;
    StartTimer(10);
  }
  FCObjImage picture_;
  FCObjImage faded_;
  int opacity_ = 0;
  int step_ = 10;
  HWND owner_;
};

class CLoadErrorItem : public CWidgetItem {
 public:
  CLoadErrorItem() : CWidgetItem(kLoadError), text_(lang_strings::GetText(L"app", L"LOAD_IMAGE_ERROR_TIP")) {
    Set(kInteractive, false);
    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    HDC screen = ::GetDC(nullptr);
    lf.lfHeight = -::MulDiv(12, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    font_ = ::CreateFontIndirectW(&lf);
  }
  ~CLoadErrorItem() override {
    if (font_) ::DeleteObject(font_);
  }
  void Draw(HDC dc) override {
    HGDIOBJ old = ::SelectObject(dc, font_);
    ::SetTextColor(dc, 0x696969);
    ::SetBkMode(dc, TRANSPARENT);
    std::wstring name = ::PathFindFileNameW(CurrentPicture::Instance().path().c_str());
    RECT top{0, 0, Width(), Height() / 2}, bottom{0, Height() / 2, Width(), Height()};
    ::DrawTextW(dc, name.c_str(), -1, &top, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    ::DrawTextW(dc, text_.c_str(), -1, &bottom, DT_CENTER | DT_SINGLELINE);
    ::SelectObject(dc, old);
  }

 private:
  std::wstring text_;
  HFONT font_ = nullptr;
};

class CTipItem : public CWidgetItem {
 public:
  CTipItem(int id, std::wstring text) : CWidgetItem(id), text_(std::move(text)) {
    widget_window::LoadResourcePicture(L"not_exist_bg.png", kPremultiplied, &background_);
  }
  void Draw(HDC dc) override {
    background_.Draw(dc, 0, 0, Width(), Height());
    ::SetTextColor(dc, 0xFFFFFF);
    ::SetBkMode(dc, TRANSPARENT);
    RECT all{0, 0, Width(), Height()};
    ::DrawTextW(dc, text_.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }

 private:
  FCObjImage background_;
  std::wstring text_;
};

}  // namespace

void CMainViewLayout::Arrange(HWND window, std::deque<std::unique_ptr<CWidgetItem>>& items) {
  RECT c{};
  ::GetClientRect(window, &c);
  CWidgetItem* slogan = nullptr;
  for (auto& item : items)
    if (item->id == kWelcomeSlogan) slogan = item.get();
  for (auto& item : items) {
    switch (item->id) {
      case kTurnPrevious: item->rect = RECT{c.left, c.top, c.left + turn_page_width_, c.bottom}; break;
      case kTurnNext: item->rect = RECT{c.right - turn_page_width_, c.top, c.right, c.bottom}; break;
      case kLoadError:
      case kLoading: item->rect = c; break;
      case kWelcomeOpen: {
        const int sw = slogan ? slogan->Width() : 0, sh = slogan ? slogan->Height() : 0;
        const int ow = item->Width(), oh = item->Height();
        const int x = (c.right - c.left - sw) / 2, y = (c.bottom - c.top - sh - 52) / 2;
        if (slogan) slogan->rect = RECT{x, y, x + sw, y + sh};
        item->rect = RECT{x + 7, y + sh + 87, x + 7 + ow, y + sh + 87 + oh};
        break;
      }
      case kMissingTip:
      case kSavingTip: {
        const int x = (c.right - c.left - 180) / 2, y = (c.bottom - c.top - 50) / 2;
        item->rect = RECT{x, y, x + 180, y + 50};
        break;
      }
    }
  }
}

}  // namespace main_view

using namespace main_view;

WndMainImageView::WndMainImageView() {
  FCObjImage indicator;
  widget_window::LoadResourcePicture(L"turn_page_indicator.png", 0x26200A /* straight alpha */, &indicator);
  SetLayout(new CMainViewLayout(indicator.IsValid() ? indicator.Width() : 48));
  turn_page_picture_.CopyFrom(indicator);
}

bool WndMainImageView::Create(const RECT& rect, HWND parent, UINT id) {
  if (!CWidgetWindow::Create(rect, parent, id)) return false;
  // The right strip shows the left one's picture mirrored.
  FCObjImage mirrored;
  mirrored.CopyFrom(turn_page_picture_);
  for (int y = 0; y < mirrored.Height(); ++y) {
    DWORD* row = reinterpret_cast<DWORD*>(mirrored.RowAt(y));
    std::reverse(row, row + mirrored.Width());
  }
  AddItem(new CTurnPageItem(kTurnPrevious, turn_page_picture_, m_hWnd));
  AddItem(new CTurnPageItem(kTurnNext, mirrored, m_hWnd));
  return true;
}

WndMainImageView::~WndMainImageView() { view_.reset(); }

void WndMainImageView::Shutdown() { view_.reset(); }

RECT WndMainImageView::ViewRect() const {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  const CAppConfig& config = CAppConfig::Instance();
  if (config.toolbar_dock == 0) {
    rc.left += config.view_margin;
    rc.right -= config.view_margin;
    rc.bottom -= config.view_margin;
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
  }
  return rc;
}

void WndMainImageView::Repaint() {
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  ::UpdateWindow(m_hWnd);
}

void WndMainImageView::ShowCurrentPicture() {
  for (int id = kLoadError; id <= kSavingTip; ++id) RemoveItem(id);
  for (int id : {kTurnPrevious, kTurnNext})
    if (CWidgetItem* item = FindItem(id)) item->Set(CWidgetItem::kVisible, false);
  view_.reset();
  const CurrentPicture& picture = CurrentPicture::Instance();
  const std::wstring path = picture.path();
  if (!path.empty()) {
    if (::PathFileExistsW(path.c_str()) && picture.loader()) {
      RECT v = ViewRect();
      bool loading = false;
      view_ = std::make_unique<view_render::CViewRender>(v.right - v.left, v.bottom - v.top, m_hWnd, &loading);
      if (loading) AddItem(new CLoadingGifItem(m_hWnd));
    } else if (::PathFileExistsW(path.c_str())) {
      AddItem(new CLoadErrorItem());
    } else {
      AddItem(new CTipItem(kMissingTip, L"当前文件不存在"));
    }
    CCurrentFolderImage::Instance().Collect(m_hWnd, path);
  } else {
    auto* slogan = new widget_window::CWidgetItemImage(kWelcomeSlogan);
    widget_window::LoadResourcePicture(L"home_slogan.png", kPremultiplied, &slogan->image);
    slogan->rect = RECT{0, 0, slogan->image.Width(), slogan->image.Height()};
    auto* open = new widget_window::CWidgetItemBitmapButton(kWelcomeOpen);
    widget_window::LoadResourcePicture(L"home_open.png", kPremultiplied, &open->image);
    open->rect = RECT{0, 0, open->image.Width() / 3, open->image.Height()};
    AddItem(slogan);
    AddItem(open);
  }
  Layout();
  Repaint();
  GetTitleRecord().Refresh();
  FireUIEvent(CUIEventViewImageChanged());
}

void WndMainImageView::ToggleActualSize() {
  if (view_ && view_->ToggleActualSize()) Repaint();
}

void WndMainImageView::ZoomInOut(bool zoom_in) {
  if (!view_) return;
  RECT v = ViewRect();
  if (view_->ZoomStep(zoom_in ? 1 : -1, (v.left + v.right) / 2, (v.top + v.bottom) / 2)) Repaint();
}

void WndMainImageView::ScrollPage(int command) {
  if (!view_) return;
  int d = static_cast<int>(0.8 * ::GetSystemMetrics(SM_CYFULLSCREEN));
  view_->Pan(0, command == kCmdScrollUp ? d : -d);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void WndMainImageView::Rotate(bool clockwise) {
  CurrentPicture& picture = CurrentPicture::Instance();
  if (!view_ || !picture.loader() || picture.loader()->IsAnimated()) return;
  // The fitted picture turns with the file, so the rotation shows at once.
  if (HBITMAP fit = view_->frame_source() ? view_->frame_source()->GetBitmap(true) : nullptr) {
    Microsoft::WRL::ComPtr<IWICBitmap> preview;
    if (IWICImagingFactory* factory = GetWICFactory())
      if (SUCCEEDED(factory->CreateBitmapFromHBITMAP(fit, nullptr, WICBitmapIgnoreAlpha, &preview)))
        picture.SetPreview(preview.Get());
  }
  view_.reset();
  picture.Queue().WaitIdle();
  picture.loader()->metadata().RotateOrientation(clockwise);
  UINT w = 0, h = 0;
  picture.loader()->GetOrientedSize(&w, &h);
  GetTitleRecord().SetSize(static_cast<int>(w), static_cast<int>(h));
  ShowCurrentPicture();
}

void WndMainImageView::EndResizing() {
  resizing_ = 0;
  if (view_) {
    RECT v = ViewRect();
    view_->SetViewSize(v.right - v.left, v.bottom - v.top);
  }
  if (CurrentPicture::Instance().IsLongImage()) ShowCurrentPicture();
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void WndMainImageView::OnFrameLayout() {
  if (resizing_ || !view_) return;
  RECT v = ViewRect();
  view_->SetViewSize(v.right - v.left, v.bottom - v.top);
}

void WndMainImageView::OnDraw(HDC dc, const RECT& paint) {
  ::FillRect(dc, &paint, CAppConfig::Instance().canvas_brush());
  if (!view_) return;
  RECT v = ViewRect();
  POINT old{};
  ::OffsetViewportOrgEx(dc, v.left, v.top, &old);
  view_->Paint(dc, v.right - v.left, v.bottom - v.top, resizing_ != 0);
  ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void WndMainImageView::OnLButtonDown(int x, int y) {
  if (CWidgetItem* item = HitTest(x, y)) {
    HWND main = MainWindow();
    if (item->id == kTurnPrevious && main) ::PostMessageW(main, WM_KEYDOWN, VK_LEFT, 0);
    if (item->id == kTurnNext && main) ::PostMessageW(main, WM_KEYDOWN, VK_RIGHT, 0);
    if (item->id == kWelcomeOpen && main) ::PostMessageW(main, WM_COMMAND, kCmdOpen, 0);
    return;
  }
  if (view_) DragLoop(x, y);
}

void WndMainImageView::DragLoop(int x, int y) {
  ::SetCapture(m_hWnd);
  const view_render::CViewRender* dragged = view_.get();
  POINT last{x, y};
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::GetCapture() != m_hWnd) {
      ::InvalidateRect(m_hWnd, nullptr, TRUE);
      return;
    }
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
      POINT now{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      // A message dispatched below may have replaced the picture: stop dragging then.
      if (!view_ || view_.get() != dragged) break;
      if (view_->Pan(now.x - last.x, now.y - last.y)) Repaint();
      last = now;
      if (msg.message == WM_LBUTTONUP) break;
      continue;
    }
    ::DispatchMessageW(&msg);
  }
  ::ReleaseCapture();
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void WndMainImageView::OnLButtonDblClk(int x, int y) {
  if (HitTest(x, y)) {
    OnLButtonDown(x, y);
    return;
  }
  if (!view_) return;
  RECT v = ViewRect();
  if (view_->ToggleZoom(x - v.left, y - v.top)) Repaint();
}

void WndMainImageView::OnMouseWheel(WPARAM wp, LPARAM lp) {
  if (FindItem(kWelcomeOpen)) return;
  CAppConfig& config = CAppConfig::Instance();
  if (config.mouse_wheel_action == 99) config.ReloadWheelSettings();
  // Until the wheel question can be asked, an unanswered choice turns pages.
  int action = config.mouse_wheel_action == 1 ? 1 : 0;
  if (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) action = action == 1 ? 0 : 1;
  const int distance = GET_WHEEL_DELTA_WPARAM(wp);
  HWND main = MainWindow();
  if (::GetKeyState(VK_MENU) & 0x8000) {
    if (main) ::PostMessageW(main, WM_COMMAND, distance > 0 ? kCmdScrollUp : kCmdScrollDown, 0);
    return;
  }
  if (action == 1) {
    if (!view_) return;
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ::ScreenToClient(m_hWnd, &pt);
    RECT v = ViewRect();
    if (view_->ZoomStep(distance / WHEEL_DELTA, pt.x - v.left, pt.y - v.top)) Repaint();
    return;
  }
  if (main) ::PostMessageW(main, WM_COMMAND, distance > 0 ? kCmdPrevious : kCmdNext, 0);
}

LRESULT WndMainImageView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEWHEEL:
      OnMouseWheel(wp, lp);
      return 0;
    case kMsgFolderImagesReady:
      GetTitleRecord().Refresh();
      if (CWidgetItem* item = FindItem(kTurnPrevious))
        item->Set(CWidgetItem::kVisible, CCurrentFolderImage::Instance().HasNeighbour(-1));
      if (CWidgetItem* item = FindItem(kTurnNext))
        item->Set(CWidgetItem::kVisible, CCurrentFolderImage::Instance().HasNeighbour(1));
      FireUIEvent(CUIEventFolderImageCollected());
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      return 0;
    case view_render::kMsgFirstBitmap:
      RemoveItem(kLoading);
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      view_.reset();
      break;
  }
  return CWidgetWindow::WindowProc(msg, wp, lp);
}

#include "widgets/png_button.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <memory>

#include "app/app_config.h"
#include "framework/win_app.h"

bool LoadPngResource(UINT id, FCObjImage* image) {
  image->Destroy();
  HINSTANCE instance = framework::AfxGetInstanceHandle();
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), L"PNG");
  HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  if (!data) return false;
  IStream* stream = ::SHCreateMemStream(data, ::SizeofResource(instance, found));
  if (!stream) return false;
  std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream, FALSE));
  bool ok = bitmap && bitmap->GetLastStatus() == Gdiplus::Ok &&
            image->CreateFromGdiplusBitmap(bitmap.get(), PixelFormat32bppPARGB);
  bitmap.reset();
  stream->Release();
  return ok;
}

bool CPngButton::Create(HWND parent, UINT resource_id) {
  RECT rc{0, 0, 30, 30};
  if (!CWidgetWindow::Create(rc, parent, command_)) return false;
  auto* item = new widget_window::CWidgetItemBitmapButton(static_cast<int>(command_));
  item->rect = rc;
  AddItem(item);
  SetPicture(resource_id);
  return true;
}

void CPngButton::SetPicture(UINT resource_id) {
  auto* item = static_cast<widget_window::CWidgetItemBitmapButton*>(FindItem(static_cast<int>(command_)));
  if (!item || picture_ == resource_id) return;
  picture_ = resource_id;
  LoadPngResource(resource_id, &item->image);
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPngButton::OnDraw(HDC dc, const RECT& paint) { ::FillRect(dc, &paint, CAppConfig::Instance().canvas_brush()); }

void CPngButton::OnItemClick(CWidgetItem*) {
  if (HWND parent = ::GetParent(m_hWnd)) ::PostMessageW(parent, WM_COMMAND, command_, 0);
}

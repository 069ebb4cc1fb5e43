#include "basic_lib/auto_init.h"

#include <objidl.h>
#include <gdiplus.h>

FCAutoInitGDIPlus::FCAutoInitGDIPlus() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

FCAutoInitGDIPlus::~FCAutoInitGDIPlus() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

// Guards for the process-wide COM and GDI+ sessions.
#pragma once
#include <windows.h>

class FCAutoInitializeCOM {
 public:
  FCAutoInitializeCOM() : hr_(::CoInitialize(nullptr)) {}
  ~FCAutoInitializeCOM() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  FCAutoInitializeCOM(const FCAutoInitializeCOM&) = delete;
  FCAutoInitializeCOM& operator=(const FCAutoInitializeCOM&) = delete;

 private:
  HRESULT hr_;
};

class FCAutoInitGDIPlus {
 public:
  FCAutoInitGDIPlus();
  ~FCAutoInitGDIPlus();
  FCAutoInitGDIPlus(const FCAutoInitGDIPlus&) = delete;
  FCAutoInitGDIPlus& operator=(const FCAutoInitGDIPlus&) = delete;
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

// Owners for Win32 handles and GDI objects, so that no code path releases by hand.
#pragma once
#include <windows.h>
#include <utility>

namespace framework {

template <typename Traits>
class ScopedHandleT {
 public:
  using Handle = typename Traits::Handle;
  ScopedHandleT() = default;
  explicit ScopedHandleT(Handle h) : h_(h) {}
  ScopedHandleT(const ScopedHandleT&) = delete;
  ScopedHandleT& operator=(const ScopedHandleT&) = delete;
  ScopedHandleT(ScopedHandleT&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  ScopedHandleT& operator=(ScopedHandleT&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, Traits::Invalid()));
    return *this;
  }
  ~ScopedHandleT() { Reset(); }

  void Reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  [[nodiscard]] Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  Handle Get() const { return h_; }
  bool IsValid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return IsValid(); }

 private:
  Handle h_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
template <typename T>
struct GdiObjTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

using ScopedHandle = ScopedHandleT<KernelHandleTraits>;
using ScopedFile = ScopedHandleT<FileHandleTraits>;
using ScopedModule = ScopedHandleT<ModuleTraits>;
using ScopedRegKey = ScopedHandleT<RegKeyTraits>;
template <typename T>
using ScopedGdiObj = ScopedHandleT<GdiObjTraits<T>>;

// Selects a GDI object into a DC for the life of the scope.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
  ~ScopedSelectObject() {
    if (old_) ::SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~ScopedGetDC() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

}  // namespace framework

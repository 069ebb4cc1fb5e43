// Preparing the pictures around the current one, so that stepping to them is instant:
// the shell's thumbnail cache is asked to extract them; where it is unavailable, their
// fit bitmaps are decoded instead and kept here. One request runs at a time, and none
// before the current picture is on screen.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "image/wic_image_loader.h"
#include "view_render/async_task.h"

namespace view_render {

class CSystemCache : public CAsyncTaskQueue {
 public:
  static CSystemCache& Instance();
  CSystemCache();
  ~CSystemCache() override;

  // 0 no direction, 1 forward, 2 backward.
  void SetDirection(int direction) { direction_ = direction; }
  // The view area the fit bitmaps are made for.
  void SetViewSize(int width, int height);
  void Update(const std::wstring& folder, int index, const std::deque<std::wstring>& names);
  void Resume();
  // A fit bitmap of the current picture without decoding it now. The caller owns what
  // comes back in *bitmap, which may be a temporary one when the result is false.
  bool Lookup(int width, int height, HBITMAP* bitmap);
  bool WaitFor(HWND window);
  // The opened picture a decode ahead made for this path, taken over by the caller; a
  // step then need not open the file again.
  LoaderPtr TakeLoader(const std::wstring& path);

  bool enabled() const { return enabled_ != 0; }
  const std::set<std::wstring>& requested() const { return requested_; }
  // Offsets from the current picture, by direction.
  static std::vector<int> Offsets(int direction);

  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  size_t MaxRunning() const override;
  void OnTaskStart(CAsyncTask* task) override;

 private:
  friend class CAsyncCreateSystemCache;
  struct Prepared {
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;
    LoaderPtr loader;
  };
  void Keep(const std::wstring& path, int width, int height, HBITMAP bitmap, LoaderPtr loader);
  void DropPrepared();

  int direction_ = 0;
  std::set<std::wstring> requested_;
  std::wstring folder_;
  int enabled_ = 0;
  int view_width_ = 0, view_height_ = 0;
  std::map<std::wstring, Prepared> prepared_;  // decoded where thumbnails are missing
};

}  // namespace view_render

#include "view_render/system_cache.h"

#include <shlwapi.h>

#include <algorithm>
#include <utility>

#include "app/app_config.h"
#include "image/current_picture.h"
#include "image/image_classify.h"
#include "logging/my_log.h"
#include "view_render/pre_render_key_frame.h"
#include "view_render/view_geometry.h"

namespace view_render {

class CAsyncCreateSystemCache : public CAsyncTask {
 public:
  CAsyncCreateSystemCache(std::wstring path, int view_width, int view_height)
      : path_(std::move(path)), view_width_(view_width), view_height_(view_height) {}
  ~CAsyncCreateSystemCache() override {
    if (bitmap_) ::DeleteObject(bitmap_);
  }
  void Run() override {
    {
      SystemThumbnail extract(path_, 0, 2);
      if (extract.ok()) return;  // the shell keeps it now
    }
    // No thumbnail cache here: decode the fit bitmap ahead instead.
    if (view_width_ <= 0 || view_height_ <= 0 || !IsRunning()) return;
    loader_ = CreateLoader(path_);
    LoaderPtr& loader = loader_;
    if (!loader || !IsRunning()) return;
    UINT w = 0, h = 0;
    loader->GetOrientedSize(&w, &h);
    float r = CZoomLayout::FitRatio(static_cast<int>(w), static_cast<int>(h), view_width_, view_height_);
    width_ = CZoomLayout::ZoomedExtent(static_cast<int>(w), r);
    height_ = CZoomLayout::ZoomedExtent(static_cast<int>(h), r);
    if (!loader->CreateDisplayBitmap(width_, height_, &bitmap_)) bitmap_ = nullptr;
  }
  void OnComplete() override {
    if (bitmap_) CSystemCache::Instance().Keep(path_, width_, height_, std::exchange(bitmap_, nullptr), loader_);
    if (notify_ && ::IsWindow(notify_)) ::SendMessageW(notify_, kMsgCacheReady, 0, 0);
  }
  const std::wstring& path() const { return path_; }
  HWND notify_ = nullptr;

 private:
  std::wstring path_;
  int view_width_, view_height_;
  int width_ = 0, height_ = 0;
  HBITMAP bitmap_ = nullptr;
  LoaderPtr loader_;
};

CSystemCache& CSystemCache::Instance() {
  static CSystemCache cache;
  return cache;
}

CSystemCache::CSystemCache() = default;

CSystemCache::~CSystemCache() { DropPrepared(); }

void CSystemCache::DropPrepared() {
  for (auto& [name, p] : prepared_)
    if (p.bitmap) ::DeleteObject(p.bitmap);
  prepared_.clear();
}

std::vector<int> CSystemCache::Offsets(int direction) {
  if (direction == 1) return {1, 2, 3};
  if (direction == 2) return {-1, -2, -3};
  return {1, -1, 2, 3};
}

void CSystemCache::SetViewSize(int width, int height) {
  if (width == view_width_ && height == view_height_) return;
  view_width_ = width;
  view_height_ = height;
  DropPrepared();  // made for another size
}

size_t CSystemCache::MaxRunning() const {
  return (CAppConfig::Instance().preload_enable == 1 && enabled_) ? 1 : 0;
}

void CSystemCache::OnTaskStart(CAsyncTask* task) {
  requested_.insert(::PathFindFileNameW(static_cast<CAsyncCreateSystemCache*>(task)->path().c_str()));
}

void CSystemCache::Update(const std::wstring& folder, int index, const std::deque<std::wstring>& names) {
  DropPending();
  if (folder != folder_) {
    direction_ = 0;
    requested_.clear();
    DropPrepared();
    folder_ = folder;
  }
  for (int d : Offsets(direction_)) {
    const int j = index + d;
    if (j < 0 || j >= static_cast<int>(names.size())) continue;
    const std::wstring& name = names[j];
    if (!IsWritableFormat(ClassifyImageFile(name)) || requested_.count(name)) continue;
    wchar_t path[MAX_PATH] = {};
    wcsncpy(path, folder.c_str(), MAX_PATH - 1);
    if (!::PathAppendW(path, name.c_str())) continue;
    Push(new CAsyncCreateSystemCache(path, view_width_, view_height_));
  }
}

void CSystemCache::Resume() {
  if (enabled_) return;
  enabled_ = 1;
  Pump();
}

void CSystemCache::Keep(const std::wstring& path, int width, int height, HBITMAP bitmap, LoaderPtr loader) {
  std::wstring name = ::PathFindFileNameW(path.c_str());
  wchar_t folder[MAX_PATH] = {};
  wcsncpy(folder, path.c_str(), MAX_PATH - 1);
  ::PathRemoveFileSpecW(folder);
  if (folder_ != folder || prepared_.size() >= 8) {
    ::DeleteObject(bitmap);
    return;
  }
  Prepared& slot = prepared_[name];
  if (slot.bitmap) ::DeleteObject(slot.bitmap);
  slot = Prepared{width, height, bitmap, std::move(loader)};
  VLOG_INFO() << L"Prepared ahead:" << name;
}

bool CSystemCache::Lookup(int width, int height, HBITMAP* bitmap) {
  CurrentPicture& picture = CurrentPicture::Instance();
  *bitmap = nullptr;
  if (IWICBitmap* preview = picture.preview()) {
    // The preview already carries the effect: it is rendered without it.
    CWICImageLoader from_preview(preview, nullptr);
    from_preview.RenderWithoutEffect(true);
    from_preview.CreateDisplayBitmap(width, height, bitmap);
    UINT pw = 0, ph = 0;
    preview->GetSize(&pw, &ph);
    return *bitmap && static_cast<int>(pw) >= width;
  }
  std::wstring name = ::PathFindFileNameW(picture.path().c_str());
  auto it = prepared_.find(name);
  if (it != prepared_.end()) {
    Prepared p = it->second;
    prepared_.erase(it);
    if (p.width == width && p.height == height) {
      *bitmap = p.bitmap;
      return true;
    }
    ::DeleteObject(p.bitmap);
  }
  if (!IsWritableFormat(ClassifyImageFile(picture.path())) || !picture.loader()) return false;
  SystemThumbnail cached(picture.path(), static_cast<UINT>(std::max(width, height)), 0);
  if (!cached.ok()) return false;
  IWICColorContext* context = CAppConfig::Instance().ignore_embedded_icc ? picture.loader()->color_context() : nullptr;
  if (!ThumbnailToBitmap(cached, width, height, bitmap,
                         OrientationToTransform(picture.loader()->metadata().orientation), context))
    return false;
  return cached.quality() != 1;
}

LoaderPtr CSystemCache::TakeLoader(const std::wstring& path) {
  wchar_t folder[MAX_PATH] = {};
  wcsncpy(folder, path.c_str(), MAX_PATH - 1);
  ::PathRemoveFileSpecW(folder);
  if (_wcsicmp(folder, folder_.c_str()) != 0) return nullptr;
  auto it = prepared_.find(::PathFindFileNameW(path.c_str()));
  if (it == prepared_.end()) return nullptr;
  return std::move(it->second.loader);
}

bool CSystemCache::WaitFor(HWND window) {
  for (const auto& task : RunningTasks()) {
    auto* request = static_cast<CAsyncCreateSystemCache*>(task);
    if (request->path() == CurrentPicture::Instance().path()) {
      request->notify_ = window;
      return true;
    }
  }
  return false;
}

LRESULT CSystemCache::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return CAsyncTaskQueue::WindowProc(msg, wp, lp); }

}  // namespace view_render

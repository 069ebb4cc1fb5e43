#include "image/current_picture.h"

#include <shlwapi.h>

#include "app/title_record.h"
#include "view_render/async_task.h"

CurrentPicture& CurrentPicture::Instance() {
  static CurrentPicture picture;
  return picture;
}

CurrentPicture::CurrentPicture() = default;
CurrentPicture::~CurrentPicture() = default;

void CurrentPicture::CancelWork() {
  if (queue_) queue_->CancelAll();
}

void CurrentPicture::SetPath(const std::wstring& path, LoaderPtr prepared) {
  CancelWork();
  loader_.reset();
  preview_.Reset();
  preview_valid_ = false;
  path_ = path;
  if (::PathFileExistsW(path.c_str())) {
    wchar_t canonical[MAX_PATH] = {};
    if (path.size() < MAX_PATH && ::PathCanonicalizeW(canonical, path.c_str())) path_ = canonical;
    loader_ = prepared ? std::move(prepared) : CreateLoader(path_);
  }
  UINT w = 0, h = 0;
  std::wstring date;
  if (loader_) {
    loader_->GetOrientedSize(&w, &h);
    date = loader_->metadata().date_taken;
  }
  CTitleRecord& title = GetTitleRecord();
  title.SetPicture(path_, date, static_cast<int>(w), static_cast<int>(h));
  title.Refresh();
}

void CurrentPicture::Reset() {
  CancelWork();
  loader_.reset();
  preview_.Reset();
  preview_valid_ = false;
  queue_.reset();
}

bool CurrentPicture::IsLongImage() const {
  if (!loader_) return false;
  UINT w = 0, h = 0;
  loader_->GetOrientedSize(&w, &h);
  return w < 1280 && static_cast<unsigned long long>(h) > 4ULL * w;
}

CAsyncTaskQueue& CurrentPicture::Queue() {
  if (!queue_) queue_ = std::make_unique<CAsyncTaskQueue>();
  return *queue_;
}

void CurrentPicture::SetPreview(IWICBitmap* preview) {
  if (!preview) return;
  UINT w = 0, h = 0, held = 0, unused = 0;
  preview->GetSize(&w, &h);
  if (preview_) preview_->GetSize(&held, &unused);
  if (!preview_ || w > held) preview_ = preview;
  preview_valid_ = true;
}

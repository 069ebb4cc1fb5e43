// The open file of the process: its path, its loader, the background task queue that
// works on it, and a preview bitmap that a rotation turns with the picture.
#pragma once
#include <memory>
#include <string>

#include "image/wic_image_loader.h"

class CAsyncTaskQueue;

class CurrentPicture {
 public:
  static CurrentPicture& Instance();

  // Cancels the queue's work, drops the loader and preview, then opens the path and
  // tells the title line.
  // prepared: the same file already opened ahead of time, if any.
  void SetPath(const std::wstring& path, LoaderPtr prepared = nullptr);
  void Reset();

  const std::wstring& path() const { return path_; }
  const LoaderPtr& loader() const { return loader_; }
  bool IsLoaded() const { return loader_ != nullptr; }
  // Oriented width below 1280 and height above four times the width.
  bool IsLongImage() const;
  CAsyncTaskQueue& Queue();

  // The fitted bitmap the view shows, kept so a rotation shows at once.
  void SetPreview(IWICBitmap* preview);
  IWICBitmap* preview() const { return preview_valid_ ? preview_.Get() : nullptr; }

 private:
  CurrentPicture();
  ~CurrentPicture();
  void CancelWork();

  std::wstring path_;
  LoaderPtr loader_;
  std::unique_ptr<CAsyncTaskQueue> queue_;
  bool preview_valid_ = false;
  Microsoft::WRL::ComPtr<IWICBitmap> preview_;
};

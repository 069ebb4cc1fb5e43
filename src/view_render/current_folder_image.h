// The pictures of the shown picture's folder, in the order the user sees them there:
// an open Explorer window's order when there is one, natural name order otherwise. The
// folder is read on a thread of its own; stepping inside it never reads it again.
#pragma once
#include <windows.h>

#include <deque>
#include <set>
#include <string>

#include "view_render/message_window.h"

constexpr UINT kMsgFolderCollected = WM_APP + 0x32;
constexpr UINT kMsgFolderImagesReady = WM_APP + 0x1F9;

namespace folder_order {

// Explorer's order by name: "img2" before "img10", case ignored.
void SortNatural(std::deque<std::wstring>& names);
// The position a step of offset leads to, or -1 where there is none.
int NeighbourIndex(int index, int count, int offset, bool loop);
// The names list to use and the current file's position in it (-1 when absent): the
// Explorer list filtered to pictures that are not folders when it holds the file, else
// the sorted folder listing.
int ChooseOrder(const std::deque<std::wstring>& explorer, const std::set<std::wstring>& directories,
                std::deque<std::wstring>& sorted_listing, const std::wstring& file_name,
                std::deque<std::wstring>* result);

}  // namespace folder_order

class CCurrentFolderImage : public FCMessageWindow {
 public:
  static CCurrentFolderImage& Instance();
  CCurrentFolderImage();
  ~CCurrentFolderImage() override;

  // Makes the picture's folder the list's folder; the receiver hears when it is ready.
  void Collect(HWND receiver, const std::wstring& path);
  bool HasNeighbour(int offset) const;
  std::wstring GetNeighbourPath(int offset) const;
  // After the viewer deleted a file: the picture to show next, or empty.
  std::wstring RemoveFile(const std::wstring& path);
  void Reset();
  void Stop();

  bool IsCollecting() const { return worker_ != nullptr; }
  int index() const { return index_; }
  size_t count() const { return names_.size(); }
  const std::wstring& folder() const { return folder_; }

  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  struct Result;
  static unsigned __stdcall WorkerMain(void* self);
  void UpdateTitlePosition() const;

  HWND receiver_ = nullptr;
  std::wstring folder_;
  std::deque<std::wstring> names_;
  int index_ = -1;
  HANDLE worker_ = nullptr;
  volatile LONG stop_ = 0;
  std::wstring worker_file_;  // copies the worker reads
  std::wstring worker_folder_;
};

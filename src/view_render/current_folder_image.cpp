#include "view_render/current_folder_image.h"

#include <objbase.h>
#include <exdisp.h>
#include <process.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <algorithm>

#include "app/app_config.h"
#include "app/title_record.h"
#include "image/image_classify.h"
#include "view_render/system_cache.h"

using Microsoft::WRL::ComPtr;

namespace folder_order {

void SortNatural(std::deque<std::wstring>& names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const std::wstring& a, const std::wstring& b) { return ::StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
}

int NeighbourIndex(int index, int count, int offset, bool loop) {
  if (count < 2 || index < 0) return -1;
  int i = index + offset;
  if (i < 0 || i >= count) {
    if (!loop) return -1;
    i = i < 0 ? count - 1 : 0;
  }
  return i;
}

static int FindName(const std::deque<std::wstring>& names, const std::wstring& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (::StrCmpIW(names[i].c_str(), name.c_str()) == 0) return static_cast<int>(i);
  return -1;
}

int ChooseOrder(const std::deque<std::wstring>& explorer, const std::set<std::wstring>& directories,
                std::deque<std::wstring>& sorted_listing, const std::wstring& file_name,
                std::deque<std::wstring>* result) {
  std::deque<std::wstring> filtered;
  for (const std::wstring& name : explorer)
    if (!directories.count(name) && ClassifyImageFile(name) != 0) filtered.push_back(name);
  int at = FindName(filtered, file_name);
  if (at >= 0) {
    result->swap(filtered);
    return at;
  }
  result->swap(sorted_listing);
  return FindName(*result, file_name);
}

}  // namespace folder_order

struct CCurrentFolderImage::Result {
  std::set<std::wstring> directories;
  std::deque<std::wstring> names;
  int index = -1;
};

namespace {

// The item names of an Explorer window showing the folder, in that window's order.
void ExplorerOrder(const std::wstring& folder, volatile LONG* stop, std::deque<std::wstring>* names) {
  ComPtr<IUnknown> unknown;
  ComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&unknown))) ||
      FAILED(::OleRun(unknown.Get())) || FAILED(unknown.As(&windows)))
    return;
  long count = 0;
  windows->get_Count(&count);
  for (long i = 0; i < count && !*stop; ++i) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = i;
    ComPtr<IDispatch> item;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IFolderView> folder_view;
    ComPtr<IPersistFolder2> persist;
    if (FAILED(windows->Item(v, &item)) || !item ||
        FAILED(::IUnknown_QueryService(item.Get(), SID_STopLevelBrowser, IID_PPV_ARGS(&browser))) ||
        FAILED(browser->QueryActiveShellView(&view)) || FAILED(view.As(&folder_view)) ||
        FAILED(folder_view->GetFolder(IID_PPV_ARGS(&persist))))
      continue;
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(persist->GetCurFolder(&pidl))) continue;
    wchar_t path[MAX_PATH] = {}, canonical[MAX_PATH] = {};
    bool same = ::SHGetPathFromIDListW(pidl, path) && ::PathCanonicalizeW(canonical, path);
    ::CoTaskMemFree(pidl);
    ::PathRemoveBackslashW(canonical);
    if (!same || _wcsicmp(canonical, folder.c_str()) != 0) continue;
    ComPtr<IShellFolder> shell_folder;
    int items = 0;
    if (FAILED(folder_view->GetFolder(IID_PPV_ARGS(&shell_folder))) || FAILED(folder_view->ItemCount(SVGIO_ALLVIEW, &items)))
      return;
    for (int c = 0; c < items && !*stop; ++c) {
      PITEMID_CHILD child = nullptr;
      if (FAILED(folder_view->Item(c, &child))) continue;
      STRRET name{};
      wchar_t* text = nullptr;
      if (SUCCEEDED(shell_folder->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)) &&
          SUCCEEDED(::StrRetToStrW(&name, child, &text)) && text) {
        names->push_back(text);
        ::CoTaskMemFree(text);
      }
      ::CoTaskMemFree(child);
    }
    return;
  }
}

}  // namespace

CCurrentFolderImage& CCurrentFolderImage::Instance() {
  static CCurrentFolderImage list;
  return list;
}

CCurrentFolderImage::CCurrentFolderImage() = default;

CCurrentFolderImage::~CCurrentFolderImage() { Stop(); }

void CCurrentFolderImage::UpdateTitlePosition() const {
  CTitleRecord& title = GetTitleRecord();
  title.SetPosition(std::max(index_, 0), static_cast<int>(names_.size()));
  title.Refresh();
}

void CCurrentFolderImage::Collect(HWND receiver, const std::wstring& path) {
  receiver_ = receiver;
  // Only the canonical absolute folder is ever read: a relative one would mean
  // whatever the current folder happens to be, or a drive's root.
  wchar_t full[MAX_PATH] = {}, canonical[MAX_PATH] = {};
  DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH || !::PathCanonicalizeW(canonical, full)) return;
  std::wstring file = ::PathFindFileNameW(canonical);
  wchar_t folder[MAX_PATH] = {};
  wcscpy(folder, canonical);
  ::PathRemoveFileSpecW(folder);
  ::PathRemoveBackslashW(folder);
  if (file.empty() || !folder[0] || ::PathIsRelativeW(folder)) return;

  if (IsCollecting()) {
    Stop();
  } else if (::StrCmpIW(folder, folder_.c_str()) == 0) {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (::StrCmpIW(names_[i].c_str(), file.c_str()) != 0) continue;
      index_ = static_cast<int>(i);
      UpdateTitlePosition();
      view_render::CSystemCache::Instance().Update(folder_, index_, names_);
      if (receiver_) ::SendMessageW(receiver_, kMsgFolderImagesReady, 0, 0);
      return;
    }
  }
  folder_ = folder;
  names_.assign(1, file);
  index_ = 0;
  UpdateTitlePosition();
  Create(nullptr);
  stop_ = 0;
  worker_file_ = file;
  worker_folder_ = folder_;
  worker_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CCurrentFolderImage::WorkerMain, this, 0, nullptr));
}

unsigned __stdcall CCurrentFolderImage::WorkerMain(void* param) {
  auto* self = static_cast<CCurrentFolderImage*>(param);
  HRESULT com = ::CoInitialize(nullptr);
  Result result;
  std::deque<std::wstring> listing;
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((self->worker_folder_ + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        result.directories.insert(fd.cFileName);
      else if (ClassifyImageFile(fd.cFileName) != 0)
        listing.push_back(fd.cFileName);
    } while (!self->stop_ && ::FindNextFileW(find, &fd));
    ::FindClose(find);
  }
  folder_order::SortNatural(listing);
  std::deque<std::wstring> explorer;
  ExplorerOrder(self->worker_folder_, &self->stop_, &explorer);
  if (!self->stop_) {
    result.index = folder_order::ChooseOrder(explorer, result.directories, listing, self->worker_file_, &result.names);
    // Fails at once when Stop took the window away; the result is then dropped.
    ::SendMessageW(self->GetSafeHwnd(), kMsgFolderCollected, reinterpret_cast<WPARAM>(&result), 0);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

LRESULT CCurrentFolderImage::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kMsgFolderCollected) return FCMessageWindow::WindowProc(msg, wp, lp);
  auto* result = reinterpret_cast<Result*>(wp);
  if (result->index != -1) {
    index_ = result->index;
    names_.swap(result->names);
  }
  ::ReplyMessage(0);
  if (worker_) {
    ::WaitForSingleObject(worker_, INFINITE);
    ::CloseHandle(worker_);
    worker_ = nullptr;
  }
  Destroy();
  UpdateTitlePosition();
  if (receiver_) ::PostMessageW(receiver_, kMsgFolderImagesReady, 0, 0);
  view_render::CSystemCache::Instance().Update(folder_, index_, names_);
  return 0;
}

bool CCurrentFolderImage::HasNeighbour(int offset) const {
  if (IsCollecting()) return false;
  return folder_order::NeighbourIndex(index_, static_cast<int>(names_.size()), offset,
                                      CAppConfig::Instance().view_folder_loop != 0) >= 0;
}

std::wstring CCurrentFolderImage::GetNeighbourPath(int offset) const {
  if (!HasNeighbour(offset)) return L"";
  int i = folder_order::NeighbourIndex(index_, static_cast<int>(names_.size()), offset,
                                       CAppConfig::Instance().view_folder_loop != 0);
  wchar_t path[MAX_PATH] = {};
  wcsncpy(path, folder_.c_str(), MAX_PATH - 1);
  if (!::PathAppendW(path, names_[i].c_str())) return L"";
  return path;
}

std::wstring CCurrentFolderImage::RemoveFile(const std::wstring& path) {
  if (IsCollecting()) {
    Stop();
    Reset();
  }
  std::wstring file = ::PathFindFileNameW(path.c_str());
  for (size_t i = 0; i < names_.size(); ++i) {
    if (::StrCmpIW(names_[i].c_str(), file.c_str()) == 0) {
      names_.erase(names_.begin() + static_cast<long>(i));
      break;
    }
  }
  if (names_.empty()) {
    Reset();
    return L"";
  }
  index_ = std::min(std::max(index_, 0), static_cast<int>(names_.size()) - 1);
  wchar_t next[MAX_PATH] = {};
  wcsncpy(next, folder_.c_str(), MAX_PATH - 1);
  ::PathAppendW(next, names_[index_].c_str());
  return next;
}

void CCurrentFolderImage::Reset() {
  receiver_ = nullptr;
  folder_.clear();
  names_.clear();
  index_ = -1;
}

void CCurrentFolderImage::Stop() {
  Destroy();  // first, so a worker about to send cannot block on this thread
  if (!worker_) return;
  stop_ = 1;
  // A send that reached this thread just before the window went is answered while
  // waiting (it finds no window), so the worker can always finish.
  while (::MsgWaitForMultipleObjects(1, &worker_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  ::CloseHandle(worker_);
  worker_ = nullptr;
}

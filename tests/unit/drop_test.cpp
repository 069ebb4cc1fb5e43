#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/zeltodlg.h"

namespace {

// An HDROP as the shell makes it: DROPFILES, then wide names, then an empty one.
HDROP MakeDrop(const std::vector<std::wstring>& files) {
  size_t chars = 1;
  for (const auto& f : files) chars += f.size() + 1;
  HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  wchar_t* names = reinterpret_cast<wchar_t*>(drop + 1);
  for (const auto& f : files) {
    wcscpy(names, f.c_str());
    names += f.size() + 1;
  }
  ::GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(DroppedFiles, OnlyTheFirstCountsAndOnlyWhenItIsAPicture) {
  struct {
    std::vector<std::wstring> files;
    std::wstring expected;
  } cases[] = {
      {{L"C:\\p\\b.jpg", L"C:\\p\\c.png"}, L"C:\\p\\b.jpg"},
      {{L"C:\\p\\notes.txt", L"C:\\p\\c.png"}, L""},
      {{L"C:\\p\\one.PNG"}, L"C:\\p\\one.PNG"},
      {{}, L""},
  };
  for (const auto& c : cases) {
    HDROP drop = MakeDrop(c.files);
    EXPECT_EQ(DroppedPicture(drop), c.expected) << (c.files.empty() ? "none" : std::string(c.files[0].begin(), c.files[0].end()));
    ::GlobalFree(drop);
  }
}

}  // namespace

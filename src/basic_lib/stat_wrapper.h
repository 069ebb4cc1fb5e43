// The viewer's side of the usage-statistics library "common.dll": it finds the library,
// calls its exports and keeps the wrapper object it hands out.
#pragma once
#include <windows.h>

#include <string>

#include "basic_lib/singleton.h"

class IPLibWrapper;

class CStatWrapper : public CSingletonT<CStatWrapper> {
 public:
  CStatWrapper();
  ~CStatWrapper() override;

  // One event; skipped when either text is empty.
  void Send(const std::wstring& category, const std::wstring& event);
  void SendUtf8(const char* category, const char* event);
  int QuickIndexFlag();
  void SetQuickIndexFlag(int flag);
  std::wstring OsVersion();

  // "open_" + the source name for a "from" value.
  static std::wstring LaunchEvent(const std::wstring& action, const std::wstring& from);

 private:
  IPLibWrapper* wrapper_ = nullptr;
};

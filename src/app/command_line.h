// Splits a command-line text into switches ("-x", "--x", "/x", with "=value") and
// positional arguments, as every launch and every hand-off reads it.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "basic_lib/singleton.h"

class CCommandLine : public CSingletonT<CCommandLine> {
 public:
  CCommandLine() = default;
  ~CCommandLine() override = default;

  bool Parse(const std::wstring& text);

  // "install", "/install" and "--install" all find a switch written with any prefix.
  bool HasSwitch(const std::wstring& name) const;
  bool GetSwitch(const std::wstring& name, std::wstring* value) const;
  std::vector<std::wstring> Positional() const { return positional_; }
  const std::wstring& Text() const { return text_; }
  const std::map<std::wstring, std::wstring>& Switches() const { return switches_; }

  // The first positional argument that names an existing file other than an ".exe",
  // made absolute; empty when none does.
  std::wstring FileToOpen() const;

 private:
  const std::wstring* Find(const std::wstring& name) const;

  std::map<std::wstring, std::wstring> switches_;
  std::vector<std::wstring> positional_;
  std::wstring text_;
};

#include "app/command_line.h"

#include <windows.h>
#include <shlwapi.h>

bool CCommandLine::Parse(const std::wstring& text) {
  text_ = text;
  switches_.clear();
  positional_.clear();

  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    if (text[i] == L' ') {
      ++i;
      continue;
    }
    size_t start = i;
    size_t equals = std::wstring::npos;
    bool quoted = false;
    for (; i < n; ++i) {
      wchar_t c = text[i];
      if (c == L' ' && !quoted) break;
      if (c == L'"' && !(i > start && text[i - 1] == L'\\')) quoted = !quoted;
      if (c == L'=' && equals == std::wstring::npos) equals = i - start;
    }
    std::wstring token = text.substr(start, i - start);

    bool is_switch = token.size() >= 2 && (token[0] == L'-' || token[0] == L'/');
    if (!is_switch) {
      positional_.push_back(token);
      continue;
    }
    size_t prefix = (token[0] == L'-' && token[1] == L'-') ? 2 : 1;
    std::wstring name, value;
    if (equals == std::wstring::npos) {
      name = token.substr(prefix);
    } else if (equals >= prefix) {
      name = token.substr(prefix, equals - prefix);
      value = token.substr(equals + 1);
      if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
    }
    if (name.empty()) continue;  // "--" and the like
    switches_[name] = value;
  }
  return true;
}

const std::wstring* CCommandLine::Find(const std::wstring& name) const {
  auto it = switches_.find(name);
  if (it != switches_.end()) return &it->second;
  size_t prefix = 0;
  if (name.size() > 2 && name.compare(0, 2, L"--") == 0) prefix = 2;
  else if (name.size() > 1 && (name[0] == L'-' || name[0] == L'/')) prefix = 1;
  if (!prefix) return nullptr;
  it = switches_.find(name.substr(prefix));
  return it != switches_.end() ? &it->second : nullptr;
}

bool CCommandLine::HasSwitch(const std::wstring& name) const { return Find(name) != nullptr; }

bool CCommandLine::GetSwitch(const std::wstring& name, std::wstring* value) const {
  const std::wstring* found = Find(name);
  if (value) *value = found ? *found : std::wstring();
  return found != nullptr;
}

std::wstring CCommandLine::FileToOpen() const {
  for (const std::wstring& arg : positional_) {
    wchar_t path[MAX_PATH] = {};
    if (arg.size() >= MAX_PATH) continue;
    wcscpy(path, arg.c_str());
    ::PathUnquoteSpacesW(path);
    // A relative path means the launching console's folder: resolve it here, before a
    // running instance with another current folder gets it.
    wchar_t full[MAX_PATH] = {};
    DWORD n = ::GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) continue;
    if (!::PathFileExistsW(full)) continue;
    if (wcscmp(::PathFindExtensionW(full), L".exe") == 0) continue;
    return full;
  }
  return {};
}

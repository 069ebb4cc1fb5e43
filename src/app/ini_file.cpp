#include "app/ini_file.h"

#include <windows.h>

#include <climits>
#include <cwchar>
#include <vector>

namespace ini_file {

std::optional<std::wstring> Read(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                                 unsigned capacity) {
  std::vector<wchar_t> buf(capacity ? capacity : 1);
  DWORD n = ::GetPrivateProfileStringW(section, key, L"\n", buf.data(), static_cast<DWORD>(buf.size()),
                                       path.c_str());
  if (n >= 249 && buf.size() < 4096) {
    buf.assign(4096, L'\0');
    n = ::GetPrivateProfileStringW(section, key, L"\n", buf.data(), static_cast<DWORD>(buf.size()),
                                   path.c_str());
  }
  std::wstring value(buf.data(), n);
  if (value == L"\n") return std::nullopt;
  return value;
}

long long ToInt64(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  unsigned long long value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    unsigned digit = text[i] - L'0';
    if (value > (ULLONG_MAX - digit) / 10) {
      overflow = true;
      break;
    }
    value = value * 10 + digit;
  }
  // Saturate as the C runtime does rather than wrap.
  if (overflow || (!negative && value > static_cast<unsigned long long>(LLONG_MAX)))
    return negative ? LLONG_MIN : LLONG_MAX;
  if (negative) return value > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MIN : -static_cast<long long>(value);
  return static_cast<long long>(value);
}

bool Write(const std::wstring& path, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  return ::WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()) != FALSE;
}

bool WriteInt(const std::wstring& path, const wchar_t* section, const wchar_t* key, long long value) {
  wchar_t text[32];
  swprintf(text, 32, L"%lld", value);
  return Write(path, section, key, text);
}

}  // namespace ini_file

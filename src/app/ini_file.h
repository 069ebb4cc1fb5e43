// Reading one INI value the way every reader here needs it: absent and empty are told
// apart from real values, and long values are read again into a larger buffer.
#pragma once
#include <optional>
#include <string>

namespace ini_file {

// The value of section/key, or nothing when the key is absent. capacity is the first
// buffer's size in characters; a result of 249 characters or more is read again with
// 4096 characters.
std::optional<std::wstring> Read(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                                 unsigned capacity = 256);

// Like _wtoi64: leading blanks and a sign, digits up to the first non-digit, else 0.
long long ToInt64(const std::wstring& text);

bool Write(const std::wstring& path, const wchar_t* section, const wchar_t* key, const std::wstring& value);
bool WriteInt(const std::wstring& path, const wchar_t* section, const wchar_t* key, long long value);

}  // namespace ini_file

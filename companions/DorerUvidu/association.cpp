#include "association.h"

#include <algorithm>
#include <cwctype>

namespace association {
namespace {

std::wstring ProgId(const std::wstring& ext) { return L"Vantor." + ext; }

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteKeyDefault(HKEY root, const std::wstring& path, const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = SetString(key, nullptr, value);
  ::RegCloseKey(key);
  return ok;
}

// Deletes a key only when nothing is left in it, so that what others wrote survives.
void DeleteIfEmpty(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 0, values = 0;
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
  ::RegCloseKey(key);
  if (subkeys == 0 && values == 0) ::RegDeleteKeyW(root, path.c_str());
}

}  // namespace

const std::vector<std::wstring>& PictureExtensions() {
  static const std::vector<std::wstring> list = {L"bmp", L"dib", L"jpg", L"jpeg", L"jfif", L"jpe", L"gif", L"tiff",
                                                 L"tif", L"png", L"ico", L"psd", L"tga", L"webp"};
  return list;
}

bool Register(HKEY root, const std::wstring& ext, const std::wstring& exe) {
  std::wstring classes = L"Software\\Classes\\";
  std::wstring prog = classes + ProgId(ext);
  std::wstring upper = ext;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
  bool ok = WriteKeyDefault(root, prog, upper + L" picture");
  ok = WriteKeyDefault(root, prog + L"\\DefaultIcon", L"\"" + exe + L"\",0") && ok;
  ok = WriteKeyDefault(root, prog + L"\\shell\\open\\command", L"\"" + exe + L"\" \"%1\"") && ok;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, (classes + L"." + ext + L"\\OpenWithProgids").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
    ok = ::RegSetValueExW(key, ProgId(ext).c_str(), 0, REG_NONE, nullptr, 0) == ERROR_SUCCESS && ok;
    ::RegCloseKey(key);
  } else {
    ok = false;
  }
  return ok;
}

void Unregister(HKEY root, const std::wstring& ext) {
  std::wstring classes = L"Software\\Classes\\";
  std::wstring prog = classes + ProgId(ext);
  for (const wchar_t* sub : {L"\\shell\\open\\command", L"\\shell\\open", L"\\shell", L"\\DefaultIcon"})
    ::RegDeleteKeyW(root, (prog + sub).c_str());
  ::RegDeleteKeyW(root, prog.c_str());
  std::wstring open_with = classes + L"." + ext + L"\\OpenWithProgids";
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, open_with.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    ::RegDeleteValueW(key, ProgId(ext).c_str());
    ::RegCloseKey(key);
  }
  DeleteIfEmpty(root, open_with);
  DeleteIfEmpty(root, classes + L"." + ext);
}

bool IsRegistered(HKEY root, const std::wstring& ext, const std::wstring& exe) {
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  std::wstring path = L"Software\\Classes\\" + ProgId(ext) + L"\\shell\\open\\command";
  if (::RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &size) != ERROR_SUCCESS) return false;
  return ::lstrcmpiW(command, (L"\"" + exe + L"\" \"%1\"").c_str()) == 0;
}

std::vector<std::pair<std::wstring, bool>> ParseChangeList(const wchar_t* text, size_t max_length) {
  std::vector<std::pair<std::wstring, bool>> changes;
  if (!text) return changes;
  size_t length = 0;
  while (length < max_length && text[length]) ++length;
  std::wstring list(text, length);
  size_t pos = 0;
  while ((pos = list.find(L'|', pos)) != std::wstring::npos) {
    size_t end = list.find(L'|', pos + 1);
    if (end == std::wstring::npos) break;
    std::wstring entry = list.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    size_t colon = entry.rfind(L':');
    if (colon == std::wstring::npos || colon + 2 != entry.size()) continue;
    wchar_t flag = entry.back();
    if (flag != L'0' && flag != L'1') continue;
    std::wstring ext = entry.substr(0, colon);
    std::transform(ext.begin(), ext.end(), ext.begin(), ::towlower);
    const auto& known = PictureExtensions();
    if (std::find(known.begin(), known.end(), ext) == known.end()) continue;
    changes.emplace_back(ext, flag == L'1');
  }
  return changes;
}

}  // namespace association

#include "app/lang_strings.h"

#include <windows.h>
#include <shlwapi.h>

#include <mutex>
#include <vector>

#include "app/app_paths.h"
#include "app/ini_file.h"

namespace lang_strings {
namespace {

bool StartsWithI(const wchar_t* text, const wchar_t* prefix) {
  return ::StrCmpNIW(text, prefix, static_cast<int>(wcslen(prefix))) == 0;
}
bool EqualsI(const wchar_t* a, const wchar_t* b) { return ::StrCmpIW(a, b) == 0; }

std::mutex& LanguageLock() {
  static std::mutex lock;
  return lock;
}
std::wstring& LanguageSlot() {
  static std::wstring name = L"en.ini";
  return name;
}

}  // namespace

const wchar_t* LanguageForLocale(const wchar_t* locale) {
  if (!locale) locale = L"";
  if (StartsWithI(locale, L"zh-CN") || StartsWithI(locale, L"zh-SG") || EqualsI(locale, L"zh-Hans") ||
      EqualsI(locale, L"zh"))
    return L"cn_simp.ini";
  if (StartsWithI(locale, L"zh")) return L"cn_trad.ini";
  if (StartsWithI(locale, L"fr-")) return L"fr.ini";
  if (StartsWithI(locale, L"de-")) return L"de.ini";
  if (StartsWithI(locale, L"es-")) return L"es.ini";
  if (StartsWithI(locale, L"pt-")) return L"pt.ini";
  if (StartsWithI(locale, L"ru")) return L"ru.ini";
  if (StartsWithI(locale, L"ar")) return L"ar.ini";
  if (StartsWithI(locale, L"it")) return L"it.ini";
  if (StartsWithI(locale, L"ja")) return L"ja.ini";
  if (StartsWithI(locale, L"ko")) return L"ko.ini";
  return L"en.ini";
}

std::wstring LanguageForSystemLocale() {
  wchar_t name[85] = {};
  if (!::GetSystemDefaultLocaleName(name, 85)) name[0] = 0;
  return LanguageForLocale(name);
}

const std::wstring& LocalesFolder() {
  static const std::wstring folder = [] {
    wchar_t canonical[MAX_PATH] = {};
    ::PathCanonicalizeW(canonical, app_paths::InstallFolder().c_str());
    ::PathAddBackslashW(canonical);
    return std::wstring(canonical) + L"locales\\";
  }();
  return folder;
}

bool IsUsableLanguageFile(const std::wstring& name, const std::wstring& locales_folder) {
  if (name.empty() || name.size() >= 32) return false;
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return false;
  if (name == L"." || name == L"..") return false;
  if (name.size() < 4 || ::StrCmpIW(name.c_str() + name.size() - 4, L".ini") != 0) return false;
  std::wstring path = locales_folder + name;
  DWORD attrs = ::GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring CurrentLanguage() {
  std::lock_guard<std::mutex> guard(LanguageLock());
  return LanguageSlot();
}

void SetCurrentLanguage(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(LanguageLock());
  LanguageSlot() = name;
}

bool IsChineseLanguage(const std::wstring& name) {
  return EqualsI(name.c_str(), L"cn_simp.ini") || EqualsI(name.c_str(), L"cn_trad.ini");
}

bool IsEastAsianLanguage(const std::wstring& name) {
  return IsChineseLanguage(name) || EqualsI(name.c_str(), L"ja.ini") || EqualsI(name.c_str(), L"ko.ini");
}

std::wstring GetTextFrom(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  return ini_file::Read(file, section, key, 256).value_or(std::wstring());
}

std::wstring GetText(const wchar_t* section, const wchar_t* key) {
  return GetTextFrom(LocalesFolder() + CurrentLanguage(), section, key);
}

std::wstring GetText(const wchar_t* section, int number) {
  wchar_t key[16];
  swprintf(key, 16, L"%d", number);
  return GetText(section, key);
}

std::wstring DateTextForDisplay(const std::wstring& text, bool east_asian, const std::wstring suffixes[3]) {
  if (!east_asian) return text;
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == L' ' || text[i] == L':') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (parts.size() != 6) return text;
  return parts[0] + suffixes[0] + parts[1] + suffixes[1] + parts[2] + suffixes[2];
}

std::wstring DateTextForDisplay(const std::wstring& text) {
  const std::wstring suffixes[3] = {GetText(L"TITLE", 30), GetText(L"TITLE", 31), GetText(L"TITLE", 32)};
  return DateTextForDisplay(text, IsEastAsianLanguage(CurrentLanguage()), suffixes);
}

}  // namespace lang_strings

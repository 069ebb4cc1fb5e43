// Texts from the language files in "locales\": the choice of file and the lookups.
#pragma once
#include <string>

namespace lang_strings {

// The language file for a locale name such as "zh-CN" or "fr-CA" (first rule wins).
const wchar_t* LanguageForLocale(const wchar_t* locale_name);
std::wstring LanguageForSystemLocale();

// Install folder + "locales\".
const std::wstring& LocalesFolder();

// A language name is taken only when it is a bare file name (no folder part) shorter
// than 32 characters ending in ".ini" that exists in the locales folder.
bool IsUsableLanguageFile(const std::wstring& name, const std::wstring& locales_folder);

// The process-wide current language name; "en.ini" until the configuration sets it.
std::wstring CurrentLanguage();
void SetCurrentLanguage(const std::wstring& name);

bool IsChineseLanguage(const std::wstring& name);
bool IsEastAsianLanguage(const std::wstring& name);

// The text of section/key in the current language file; empty when absent.
std::wstring GetText(const wchar_t* section, const wchar_t* key);
std::wstring GetText(const wchar_t* section, int number);
// The same lookup in a given file, for callers that hold their own path.
std::wstring GetTextFrom(const std::wstring& file, const wchar_t* section, const wchar_t* key);

// "2026:06:14 18:42:07" as year, month and day with the language's suffixes (TITLE 30,
// 31, 32) for East Asian languages; any other text, or language, unchanged.
std::wstring DateTextForDisplay(const std::wstring& text);
std::wstring DateTextForDisplay(const std::wstring& text, bool east_asian, const std::wstring suffixes[3]);

// A dialog's holder of one section.
class CMultiLanguageLoader {
 public:
  explicit CMultiLanguageLoader(std::wstring section) : section_(std::move(section)) {}
  virtual ~CMultiLanguageLoader() = default;
  std::wstring Text(int number) const { return GetText(section_.c_str(), number); }

 private:
  std::wstring section_;
};

}  // namespace lang_strings

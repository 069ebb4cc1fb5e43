#include "app/lang_strings.h"

#include <gtest/gtest.h>

#include "common/test_files.h"

namespace {

TEST(LanguageForLocale, FirstMatchingRuleWins) {
  struct {
    const wchar_t* locale;
    const wchar_t* file;
  } cases[] = {
      {L"zh-CN", L"cn_simp.ini"},   {L"zh-SG", L"cn_simp.ini"},   {L"zh-Hans", L"cn_simp.ini"},
      {L"zh", L"cn_simp.ini"},      {L"ZH-cn", L"cn_simp.ini"},   {L"zh-TW", L"cn_trad.ini"},
      {L"zh-Hans-HK", L"cn_trad.ini"}, {L"zh-HK", L"cn_trad.ini"}, {L"fr", L"en.ini"},
      {L"fr-CA", L"fr.ini"},        {L"de-DE", L"de.ini"},        {L"de", L"en.ini"},
      {L"es-ES", L"es.ini"},        {L"pt-BR", L"pt.ini"},        {L"ru", L"ru.ini"},
      {L"ru-RU", L"ru.ini"},        {L"ar-SA", L"ar.ini"},        {L"it-IT", L"it.ini"},
      {L"ja-JP", L"ja.ini"},        {L"ko-KR", L"ko.ini"},        {L"en-US", L"en.ini"},
      {L"", L"en.ini"},
  };
  for (const auto& c : cases) EXPECT_STREQ(lang_strings::LanguageForLocale(c.locale), c.file) << c.locale;
  EXPECT_STREQ(lang_strings::LanguageForLocale(nullptr), L"en.ini");
}

TEST(LangText, LongValuesComeBackWholeAndMissingKeysEmpty) {
  TempDir dir;
  std::string long_value(300, 'x');
  long_value += "END";
  WriteTextFile(dir.File(L"en.ini"), "[app]\r\nNAME=Vantor\r\nLONG=" + long_value + "\r\nEMPTY=\r\n[TITLE]\r\n10=pixels\r\n");
  std::wstring file = dir.File(L"en.ini");
  EXPECT_EQ(lang_strings::GetTextFrom(file, L"app", L"NAME"), L"Vantor");
  EXPECT_EQ(lang_strings::GetTextFrom(file, L"app", L"LONG"), std::wstring(long_value.begin(), long_value.end()));
  EXPECT_EQ(lang_strings::GetTextFrom(file, L"app", L"EMPTY"), L"");
  EXPECT_EQ(lang_strings::GetTextFrom(file, L"app", L"MISSING"), L"");
  EXPECT_EQ(lang_strings::GetTextFrom(dir.File(L"none.ini"), L"app", L"NAME"), L"");
}

TEST(LangText, EastAsianAndChineseTests) {
  EXPECT_TRUE(lang_strings::IsChineseLanguage(L"CN_TRAD.ini"));
  EXPECT_FALSE(lang_strings::IsChineseLanguage(L"ja.ini"));
  EXPECT_TRUE(lang_strings::IsEastAsianLanguage(L"ko.ini"));
  EXPECT_FALSE(lang_strings::IsEastAsianLanguage(L"en.ini"));
}

}  // namespace

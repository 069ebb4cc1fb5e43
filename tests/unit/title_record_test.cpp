#include "app/title_record.h"

#include <gtest/gtest.h>

#include "app/lang_strings.h"

namespace {

TitleWords EnglishWords() {
  TitleWords w;
  w.pixels[0] = L"MP";
  w.before_position = L"";
  w.after_position = L"";
  return w;
}

TitleWords ChineseWords() {
  TitleWords w;
  w.pixels[0] = L"千万像素";
  w.pixels[1] = L"千";
  w.pixels[2] = L"百万像素";
  w.pixels[3] = L"约";
  return w;
}

TEST(TitleText, PixelCount) {
  struct {
    long long w, h;
    bool chinese;
    const wchar_t* text;
  } cases[] = {
      {4000, 3000, false, L"12M MP"},
      {1000, 1000, false, L""},
      {1001, 1000, false, L"1M MP"},
      {4000, 3000, true, L"1千2百万像素"},
      {2000, 1000, true, L"约2百万像素"},
      {999, 1000, true, L""},
      {5000, 2000, true, L"1千万像素"},
      // Beyond 32 bits: 2.4 billion pixels.
      {60000, 40000, false, L"2400M MP"},
      {60000, 40000, true, L"240千万像素"},
      {0, 3000, false, L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PixelCountText(c.w, c.h, c.chinese ? ChineseWords() : EnglishWords(), c.chinese), c.text)
        << c.w << "x" << c.h << (c.chinese ? " zh" : " en");
}

TEST(TitleText, WholeLine) {
  struct {
    TitleFields fields;
    bool chinese;
    const wchar_t* text;
  } cases[] = {
      {{L"", 4000, 3000, L"1/2", 100, L""}, false, L""},
      {{L"a.jpg", 0, 0, L"3/7", 100, L""}, false, L"a.jpg - 3/7"},
      {{L"holiday_in_the_alps.jpeg", 4000, 3000, L"3/7", 100, L"2026:06:14 18:42:07"},
       false,
       L"holiday_in...jpeg ( 4000x3000 , 12M MP , 2026:06:14 18:42:07 ) - 3/7 100%"},
      {{L"photo.png", 1000, 1000, L"", 250, L""}, false, L"photo.png ( 1000x1000 ) -  250%"},
      {{L"photo.png", 2000, 1000, L"", 100, L""}, true, L"photo.png ( 2000x1000 , 约2百万像素 ) -  100%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BuildTitleText(c.fields, c.chinese ? ChineseWords() : EnglishWords(), c.chinese), c.text);
}

TEST(TitleText, ShortName) {
  EXPECT_EQ(ShortTitleName(L"abcdefghijklmnopqrs.jpeg"), L"abcdefghij...jpeg");  // 23 characters
  EXPECT_EQ(ShortTitleName(L"abcdefghij"), L"abcdefghij");
  EXPECT_EQ(ShortTitleName(L"abcdefghijk"), L"abcdefghij...");
  EXPECT_EQ(ShortTitleName(L"a.b.c.defghijk.png"), L"a.b.c.defg...png");
}

TEST(DateText, EastAsianFormOnlyForSixParts) {
  const std::wstring suffixes[3] = {L"年", L"月", L"日"};
  EXPECT_EQ(lang_strings::DateTextForDisplay(L"2026:06:14 18:42:07", true, suffixes), L"2026年06月14日");
  EXPECT_EQ(lang_strings::DateTextForDisplay(L"2026:06:14 18:42:07", false, suffixes), L"2026:06:14 18:42:07");
  EXPECT_EQ(lang_strings::DateTextForDisplay(L"2026:06:14", true, suffixes), L"2026:06:14");
  EXPECT_EQ(lang_strings::DateTextForDisplay(L"", true, suffixes), L"");
}

}  // namespace

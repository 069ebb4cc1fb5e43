// The installed language files: every file answers every key the viewer asks for.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct LocaleKey {
  const wchar_t* section;
  const wchar_t* key;
  int items;  // count of "/"-separated items the reader insists on; 0 for plain text
};

const LocaleKey kKeys[] = {
    // Application name and the error shown in place of an undecodable picture.
    {L"app", L"NAME", 0},
    {L"app", L"LOAD_IMAGE_ERROR_TIP", 0},
    // Open dialog filter label and the failed-save message box.
    {L"FILE", L"SUPPORT_FILE", 0},
    {L"FILE", L"SAVE_ERROR", 0},
    // Window title: pixel-count words, East Asian date suffixes, words around the folder position.
    {L"TITLE", L"10", 0}, {L"TITLE", L"11", 0}, {L"TITLE", L"12", 0}, {L"TITLE", L"13", 0},
    {L"TITLE", L"30", 0}, {L"TITLE", L"31", 0}, {L"TITLE", L"32", 0},
    {L"TITLE", L"40", 0}, {L"TITLE", L"41", 0},
    // Toolbar and menu-button tooltips; 15 and 16 are the full-screen pair.
    {L"TOOLBAR", L"1", 0},  {L"TOOLBAR", L"2", 0},  {L"TOOLBAR", L"3", 0},  {L"TOOLBAR", L"4", 0},
    {L"TOOLBAR", L"5", 0},  {L"TOOLBAR", L"6", 0},  {L"TOOLBAR", L"7", 0},  {L"TOOLBAR", L"8", 0},
    {L"TOOLBAR", L"9", 0},  {L"TOOLBAR", L"10", 0}, {L"TOOLBAR", L"11", 0}, {L"TOOLBAR", L"12", 0},
    {L"TOOLBAR", L"13", 0}, {L"TOOLBAR", L"15", 0}, {L"TOOLBAR", L"16", 0}, {L"TOOLBAR", L"17", 0},
    {L"TOOLBAR", L"18", 0},
    // Information window value lists, picked by tag value; a wrong item count blanks the label.
    {L"EXIF", L"80", 7},  // metering mode
    {L"EXIF", L"81", 2},  // flash
    {L"EXIF", L"82", 2},  // white balance
    {L"EXIF", L"83", 9},  // exposure program
    // Settings dialog: page captions, routine page, then the habits and associations pages.
    {L"DLG_SETTING", L"1", 0},   {L"DLG_SETTING", L"2", 0},   {L"DLG_SETTING", L"3", 0},
    {L"DLG_SETTING", L"10", 0},  {L"DLG_SETTING", L"11", 0},  {L"DLG_SETTING", L"12", 0},
    {L"DLG_SETTING", L"13", 0},  {L"DLG_SETTING", L"14", 0},  {L"DLG_SETTING", L"15", 0},
    {L"DLG_SETTING", L"16", 0},  {L"DLG_SETTING", L"19", 0},  {L"DLG_SETTING", L"20", 0},
    {L"DLG_SETTING", L"21", 0},  {L"DLG_SETTING", L"100", 0}, {L"DLG_SETTING", L"101", 0},
    {L"DLG_SETTING", L"102", 0}, {L"DLG_SETTING", L"103", 0}, {L"DLG_SETTING", L"104", 0},
    {L"DLG_SETTING", L"105", 0}, {L"DLG_SETTING", L"106", 0}, {L"DLG_SETTING", L"107", 0},
    {L"DLG_SETTING", L"108", 0}, {L"DLG_SETTING", L"109", 0}, {L"DLG_SETTING", L"110", 0},
    {L"DLG_SETTING", L"113", 0}, {L"DLG_SETTING", L"114", 0}, {L"DLG_SETTING", L"115", 0},
};

const wchar_t* const kFiles[] = {L"cn_simp.ini", L"cn_trad.ini", L"en.ini", L"fr.ini", L"de.ini", L"es.ini",
                                 L"pt.ini",      L"ru.ini",      L"ar.ini", L"it.ini", L"ja.ini", L"ko.ini"};

// The install folder's locales, found from the test program (build\tests\ beside build\dist\).
std::wstring LocalesFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ::PathRemoveFileSpecW(path);
  std::wstring joined = std::wstring(path) + L"\\..\\dist\\locales\\";
  wchar_t clean[MAX_PATH] = {};
  ::PathCanonicalizeW(clean, joined.c_str());
  return clean;
}

// The stored text, or "\n" when the key is absent.
std::wstring Text(const std::wstring& file, const LocaleKey& k) {
  wchar_t buf[4096] = {};
  ::GetPrivateProfileStringW(k.section, k.key, L"\n", buf, 4096, file.c_str());
  return buf;
}

int ItemCount(const std::wstring& text) {
  int n = 1;
  for (wchar_t c : text) n += c == L'/';
  return n;
}

TEST(LocaleFiles, AreUtf16WithByteOrderMark) {
  for (const wchar_t* name : kFiles) {
    std::wstring path = LocalesFolder() + name;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    unsigned char head[2] = {};
    DWORD read = 0;
    ::ReadFile(f, head, 2, &read, nullptr);
    ::CloseHandle(f);
    ASSERT_EQ(read, 2u) << path;
    // Without FF FE the wide INI functions read the file as ANSI and garble every text.
    EXPECT_EQ(head[0], 0xFF) << path;
    EXPECT_EQ(head[1], 0xFE) << path;
  }
}

TEST(LocaleFiles, HoldEveryKeyTheViewerAsksFor) {
  for (const wchar_t* name : kFiles) {
    std::wstring path = LocalesFolder() + name;
    ASSERT_TRUE(::PathFileExistsW(path.c_str())) << path;
    for (const LocaleKey& k : kKeys) {
      std::wstring text = Text(path, k);
      EXPECT_NE(text, L"\n") << name << " lacks [" << k.section << "] " << k.key;
      EXPECT_FALSE(text.empty()) << name << " has an empty [" << k.section << "] " << k.key;
      if (k.items > 0 && text != L"\n") {
        EXPECT_EQ(ItemCount(text), k.items) << name << " [" << k.section << "] " << k.key << ": " << text;
      }
    }
    // The product name is not translated.
    EXPECT_EQ(Text(path, {L"app", L"NAME", 0}), L"Vantor") << name;
  }
}

}  // namespace

#include "app/command_line.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/test_files.h"

namespace {

struct SplitCase {
  const wchar_t* text;
  std::map<std::wstring, std::wstring> switches;
  std::vector<std::wstring> positional;
};

TEST(CommandLine, SplitsAndClassifiesTokens) {
  const SplitCase cases[] = {
      {L"", {}, {}},
      {L"a.jpg b.jpg", {}, {L"a.jpg", L"b.jpg"}},
      {L"\"C:\\My Pictures\\a b.jpg\"", {}, {L"\"C:\\My Pictures\\a b.jpg\""}},
      {L"--from=\"desktop\"", {{L"from", L"desktop"}}, {}},
      {L"--from=\"my place\" x", {{L"from", L"my place"}}, {L"x"}},
      {L"-setting --setting /setting", {{L"setting", L""}}, {}},
      {L"/install", {{L"install", L""}}, {}},
      {L"-- - /", {}, {L"-", L"/"}},
      {L"a\tb", {}, {L"a\tb"}},
      {L"  x   y  ", {}, {L"x", L"y"}},
      {L"--a=1 --a=2", {{L"a", L"2"}}, {}},
      {L"--k=v=w", {{L"k", L"v=w"}}, {}},
      {L"--=x -=y", {}, {}},
      {L"\"a \\\" b\" c", {}, {L"\"a \\\" b\"", L"c"}},
      {L"-x=\"", {{L"x", L"\""}}, {}},
      {L"---x", {{L"-x", L""}}, {}},
      {L"--Setting", {{L"Setting", L""}}, {}},
  };
  for (const SplitCase& c : cases) {
    CCommandLine cl;
    cl.Parse(c.text);
    EXPECT_EQ(cl.Switches(), c.switches) << c.text;
    EXPECT_EQ(cl.Positional(), c.positional) << c.text;
    EXPECT_EQ(cl.Text(), c.text);
  }
}

TEST(CommandLine, SwitchLookupAcceptsAnyPrefixButKeepsCase) {
  CCommandLine cl;
  cl.Parse(L"-setting --from=main /install");
  for (const wchar_t* name : {L"setting", L"-setting", L"--setting", L"/setting", L"install", L"--install"})
    EXPECT_TRUE(cl.HasSwitch(name)) << name;
  for (const wchar_t* name : {L"Setting", L"--Setting", L"-", L"--", L"/", L"sett"}) EXPECT_FALSE(cl.HasSwitch(name)) << name;
  std::wstring value = L"stale";
  EXPECT_TRUE(cl.GetSwitch(L"--from", &value));
  EXPECT_EQ(value, L"main");
  EXPECT_FALSE(cl.GetSwitch(L"missing", &value));
  EXPECT_EQ(value, L"");
}

TEST(CommandLine, FileToOpenIsTheFirstExistingNonExecutable) {
  TempDir dir;
  std::wstring a = dir.File(L"a b.jpg"), b = dir.File(L"b.jpg"), exe = dir.File(L"tool.exe"),
               upper = dir.File(L"TOOL.EXE");
  for (const auto& f : {a, b, exe}) WriteTextFile(f, "x");
  struct {
    std::wstring text;
    std::wstring expected;
  } cases[] = {
      {L"\"" + a + L"\" " + b, a},
      {dir.File(L"missing.jpg") + L" " + b, b},
      {exe + L" " + b, b},
      {L"--from=main", L""},
      {dir.File(L"missing.jpg"), L""},
  };
  for (const auto& c : cases) {
    CCommandLine cl;
    cl.Parse(c.text);
    EXPECT_EQ(cl.FileToOpen(), c.expected) << c.text;
  }
  // Only the exact lower-case ".exe" is refused (the file system ignores case here,
  // so the upper-case name reaches the same file).
  CCommandLine cl;
  cl.Parse(upper);
  EXPECT_EQ(cl.FileToOpen(), upper);
}

TEST(CommandLine, RelativeFileIsMadeAbsolute) {
  TempDir dir;
  WriteTextFile(dir.File(L"photo.jpg"), "x");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(dir.path().c_str()));
  CCommandLine cl;
  cl.Parse(L"photo.jpg");
  std::wstring file = cl.FileToOpen();
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(file, dir.File(L"photo.jpg"));
}

}  // namespace

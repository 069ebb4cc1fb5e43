// Scratch folders and files for tests; each folder is removed with everything in it.
#pragma once
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing backslash.
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

void WriteTextFile(const std::wstring& path, const std::string& bytes);
std::string ReadTextFile(const std::wstring& path);
bool FileExists(const std::wstring& path);
// The repository's tests\data folder (with a trailing backslash), found by walking up
// from the test program; VANTOR_TEST_DATA overrides it.
std::wstring TestDataFolder();
void DeleteTree(const std::wstring& folder);

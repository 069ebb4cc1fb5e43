#include "common/test_files.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>
#include <vector>

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"vantor-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"\\";
  DeleteTree(path_);
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { DeleteTree(path_); }

void DeleteTree(const std::wstring& folder) {
  std::wstring from = folder;
  while (!from.empty() && from.back() == L'\\') from.pop_back();
  if (::GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  from.push_back(L'\0');
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  ::SHFileOperationW(&op);
}

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(f);
}

std::string ReadTextFile(const std::wstring& path) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(f, buf, sizeof(buf), &n, nullptr) && n > 0) out.append(buf, n);
  ::CloseHandle(f);
  return out;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring TestDataFolder() {
  wchar_t env[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"VANTOR_TEST_DATA", env, MAX_PATH) > 0) {
    std::wstring folder = env;
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
  }
  wchar_t dir[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, dir, MAX_PATH);
  ::PathRemoveFileSpecW(dir);
  for (int up = 0; up < 6; ++up) {
    std::wstring candidate = std::wstring(dir) + L"\\tests\\data\\";
    if (FileExists(candidate + L"LICENSES.md")) return candidate;
    if (!::PathRemoveFileSpecW(dir)) break;
  }
  return L"";
}

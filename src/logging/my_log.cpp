#include "logging/my_log.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>

namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
  return out;
}

}  // namespace

CMyLog::CMyLog() { Open(DefaultLogPath()); }

CMyLog::CMyLog(const std::wstring& log_path) { Open(log_path); }

CMyLog::~CMyLog() {
  if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
}

std::wstring CMyLog::DefaultLogPath() {
  wchar_t appdata[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appdata))) return {};
  wchar_t folder[MAX_PATH] = {};
  ::PathCanonicalizeW(folder, appdata);
  ::PathAppendW(folder, L"Vantor");
  ::PathAddBackslashW(folder);
  wchar_t path[MAX_PATH] = {};
  ::PathCombineW(path, folder, L"main.log");
  return path;
}

void CMyLog::Open(const std::wstring& log_path) {
  if (file_ != INVALID_HANDLE_VALUE || log_path.empty()) return;
  std::wstring marker = log_path + L".on";
  HANDLE m = ::CreateFileW(marker.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m == INVALID_HANDLE_VALUE) return;
  ::CloseHandle(m);
  // The log folder is never created here: without it logging stays off.
  file_ = ::CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CMyLog::Write(const std::wstring& record) {
  std::string bytes = ToUtf8(record);
  bytes += '\n';
  std::lock_guard<std::mutex> guard(lock_);
  DWORD written = 0;
  if (file_ != INVALID_HANDLE_VALUE)
    ::WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE)
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring CMyLog::MakeHeader(const char* source_path, int line) {
  std::string path = source_path ? source_path : "";
  // Compilers write either separator into __FILE__; both mark the folder.
  size_t slash = path.find_last_of("\\/");
  size_t dot = path.find_last_of('.');
  wchar_t buf[300];
  if (slash == std::string::npos || dot == std::string::npos || dot < slash) {
    swprintf(buf, 300, L"[%4d] ", line);
  } else {
    std::string base = path.substr(slash + 1, dot - slash - 1);
    std::wstring wbase(base.begin(), base.end());
    swprintf(buf, 300, L"[%4d][%ls] ", line, wbase.c_str());
  }
  return buf;
}

CMyLogRecord::CMyLogRecord(const wchar_t* tag, const char* source_path, int line) {
  stream_ << tag << CMyLog::MakeHeader(source_path, line);
}

CMyLogRecord::~CMyLogRecord() { CMyLog::Instance().Write(stream_.str()); }

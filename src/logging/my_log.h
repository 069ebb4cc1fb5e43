// The application log: "main.log" in the per-user log folder, written only while the
// marker "main.log.on" exists beside it, so an installed viewer writes nothing by default.
#pragma once
#include <windows.h>

#include <mutex>
#include <sstream>
#include <string>

#include "basic_lib/singleton.h"

class CMyLog : public CSingletonT<CMyLog> {
 public:
  CMyLog();                                   // the per-user log folder
  explicit CMyLog(const std::wstring& log_path);  // for tests
  ~CMyLog() override;

  // Writes one finished record and a line feed; any thread.
  void Write(const std::wstring& record);
  bool IsFileOpen() const { return file_ != INVALID_HANDLE_VALUE; }

  // "[%4d][base] " from a source path, or "[%4d] " when the path has no folder
  // separator or no dot after it.
  static std::wstring MakeHeader(const char* source_path, int line);
  // application data + "Vantor\" + "main.log"
  static std::wstring DefaultLogPath();

 private:
  void Open(const std::wstring& log_path);

  std::mutex lock_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// One log record, built by its caller and handed to the log whole when it ends.
class CMyLogRecord {
 public:
  CMyLogRecord(const wchar_t* tag, const char* source_path, int line);
  ~CMyLogRecord();
  CMyLogRecord(const CMyLogRecord&) = delete;
  CMyLogRecord& operator=(const CMyLogRecord&) = delete;
  std::wostringstream& stream() { return stream_; }

 private:
  std::wostringstream stream_;
};

#define VLOG_INFO() CMyLogRecord(L"[I]", __FILE__, __LINE__).stream()

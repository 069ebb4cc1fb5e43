// The messaging library's logger. Nothing in the viewer gives it a file or lowers its
// level, so it is never enabled and its callers build no records.
#pragma once
#include <string>

namespace LogUtils {

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void SetLevel(int level) = 0;
  virtual bool IsEnabled(int level) const = 0;
  virtual void Write(const std::wstring& record) = 0;
};

// The process-wide logger; level 3 until someone lowers it.
Logger& GetLogger();

}  // namespace LogUtils

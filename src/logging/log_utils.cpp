#include "logging/log_utils.h"

#include <mutex>

namespace LogUtils {
namespace {

class LoggerImpl : public Logger {
 public:
  void SetLevel(int level) override {
    std::lock_guard<std::mutex> guard(lock_);
    level_ = level;
  }
  bool IsEnabled(int level) const override {
    std::lock_guard<std::mutex> guard(lock_);
    return level >= level_;
  }
  // No appender is ever configured: records have nowhere to go.
  void Write(const std::wstring&) override {}

 private:
  mutable std::mutex lock_;
  int level_ = 3;
};

}  // namespace

Logger& GetLogger() {
  static LoggerImpl logger;
  return logger;
}

}  // namespace LogUtils

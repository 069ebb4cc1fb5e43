#include "view_render/async_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/message_pump.h"

namespace {


struct Journal {
  std::mutex lock;
  std::vector<std::string> events;
  std::atomic<int> concurrent{0}, max_concurrent{0}, finished{0};
  std::atomic<bool> bad_thread{false};
  DWORD window_thread = ::GetCurrentThreadId();
  void Add(const std::string& e) {
    std::lock_guard<std::mutex> g(lock);
    events.push_back(e);
  }
};

class JournalTask : public CAsyncTask {
 public:
  JournalTask(Journal* j, std::string name, int sleep_ms = 20) : j_(j), name_(std::move(name)), sleep_ms_(sleep_ms) {}
  void Run() override {
    if (::GetCurrentThreadId() == j_->window_thread) j_->bad_thread = true;
    int now = ++j_->concurrent;
    int seen = j_->max_concurrent;
    while (now > seen && !j_->max_concurrent.compare_exchange_weak(seen, now)) {
    }
    j_->Add("run " + name_);
    ::Sleep(sleep_ms_);
    --j_->concurrent;
    ++j_->finished;
  }
  void OnComplete() override {
    if (::GetCurrentThreadId() != j_->window_thread) j_->bad_thread = true;
    j_->Add("done " + name_);
  }

 private:
  Journal* j_;
  std::string name_;
  int sleep_ms_;
};

TEST(AsyncTaskQueue, PlainQueueRunsOneTaskAtATimeInPushOrder) {
  Journal j;
  CAsyncTaskQueue queue;
  queue.Push(new JournalTask(&j, "a"));
  queue.Push(new JournalTask(&j, "b"));
  queue.Push(new JournalTask(&j, "c"));
  EXPECT_EQ(queue.RunningCount(), 1u);
  EXPECT_EQ(queue.PendingCount(), 2u);
  ASSERT_TRUE(PumpMessagesUntil([&] { return queue.RunningCount() == 0 && queue.PendingCount() == 0; }));
  EXPECT_EQ(j.events, (std::vector<std::string>{"run a", "done a", "run b", "done b", "run c", "done c"}));
  EXPECT_EQ(j.max_concurrent, 1);
  EXPECT_FALSE(j.bad_thread);
}

class WaitForCancelTask : public CAsyncTask {
 public:
  WaitForCancelTask(std::atomic<bool>* started, std::atomic<bool>* saw_cancel, std::atomic<bool>* completed)
      : started_(started), saw_cancel_(saw_cancel), completed_(completed) {}
  void Run() override {
    *started_ = true;
    for (int i = 0; i < 500 && IsRunning(); ++i) ::Sleep(10);
    *saw_cancel_ = !IsRunning();
  }
  void OnComplete() override { *completed_ = true; }

 private:
  std::atomic<bool>*started_, *saw_cancel_, *completed_;
};

TEST(AsyncTaskQueue, CancelledTaskStopsEarlyAndStillCompletes) {
  std::atomic<bool> started{false}, saw_cancel{false}, completed{false};
  Journal j;
  CAsyncTaskQueue queue;
  queue.Push(new WaitForCancelTask(&started, &saw_cancel, &completed));
  queue.Push(new JournalTask(&j, "dropped"));
  ASSERT_TRUE(PumpMessagesUntil([&] { return started.load(); }));
  queue.CancelAll();
  EXPECT_EQ(queue.PendingCount(), 0u);
  ASSERT_TRUE(PumpMessagesUntil([&] { return completed.load(); }, 3000)) << "the cancelled task ends well before its 5 s";
  EXPECT_TRUE(saw_cancel);
  PumpMessagesUntil([] { return false; }, 100);
  EXPECT_TRUE(j.events.empty()) << "a dropped pending task never runs";
}

// A slow completion must not hold the pool thread that ran the task.
class SlowCompletionTask : public CAsyncTask {
 public:
  explicit SlowCompletionTask(std::atomic<int>* released) : released_(released) {}
  void Run() override {}
  void OnComplete() override { *released_ = WaitWorkerReleased(3000) ? 1 : 0; }

 private:
  std::atomic<int>* released_;
};

TEST(AsyncTaskQueue, CompletionDoesNotHoldTheWorker) {
  std::atomic<int> released{-1};
  CAsyncTaskQueue queue;
  queue.Push(new SlowCompletionTask(&released));
  ASSERT_TRUE(PumpMessagesUntil([&] { return released.load() != -1; }));
  EXPECT_EQ(released, 1);
}

class TwoAtATime : public CAsyncTaskQueue {
 protected:
  size_t MaxRunning() const override { return 2; }
};

TEST(AsyncTaskQueue, WaitIdleFinishesTheWorkAndLeavesCompletionsToTheLoop) {
  Journal j;
  TwoAtATime queue;
  queue.Push(new JournalTask(&j, "first", 150));
  queue.Push(new JournalTask(&j, "second", 50));
  EXPECT_EQ(queue.RunningCount(), 2u);
  queue.WaitIdle();
  EXPECT_EQ(j.finished, 2);
  {
    std::lock_guard<std::mutex> g(j.lock);
    for (const auto& e : j.events) EXPECT_EQ(e.rfind("run", 0), 0u) << "no completion inside WaitIdle: " << e;
  }
  ASSERT_TRUE(PumpMessagesUntil([&] { return queue.RunningCount() == 0; }));
  std::vector<std::string> done;
  for (const auto& e : j.events)
    if (e.rfind("done", 0) == 0) done.push_back(e);
  EXPECT_EQ(done, (std::vector<std::string>{"done first", "done second"}));
}

// A receiver of results, as frame sources and caches are.
class Receiver : public FCMessageWindow {
 public:
  static constexpr UINT kResult = WM_APP + 0x300;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == kResult) {
      received.push_back(static_cast<int>(lp));
      return 1;
    }
    return FCMessageWindow::WindowProc(msg, wp, lp);
  }
  std::vector<int> received;
};

class ResultTask : public CAsyncTask {
 public:
  ResultTask(HWND result_window, int value, bool intermediate = false)
      : result_window_(result_window), value_(value), intermediate_(intermediate) {}
  void Run() override {
    if (intermediate_) SendThroughQueue(result_window_, Receiver::kResult, 0, -value_);
    ::Sleep(30);
  }
  void OnComplete() override {
    if (::IsWindow(result_window_)) ::SendMessageW(result_window_, Receiver::kResult, 0, value_);
  }

 private:
  HWND result_window_;
  int value_;
  bool intermediate_;
};

TEST(AsyncTaskQueue, ResultsReachOnlyReceiversThatStillExist) {
  Receiver kept, gone;
  kept.Create(nullptr);
  gone.Create(nullptr);
  CAsyncTaskQueue queue;
  queue.Push(new ResultTask(kept.GetSafeHwnd(), 7, true));
  queue.Push(new ResultTask(gone.GetSafeHwnd(), 8));
  gone.Destroy();
  ASSERT_TRUE(PumpMessagesUntil([&] { return queue.RunningCount() == 0 && queue.PendingCount() == 0; }));
  EXPECT_EQ(kept.received, (std::vector<int>{-7, 7}));
  EXPECT_TRUE(gone.received.empty());
}

TEST(AsyncTaskQueue, DestroyingTheQueueWaitsForTheWorkerAndDropsTheResult) {
  Journal j;
  {
    CAsyncTaskQueue queue;
    queue.Push(new JournalTask(&j, "slow", 100));
  }
  EXPECT_EQ(j.finished, 1);
  PumpMessagesUntil([] { return false; }, 100);
  EXPECT_EQ(j.events, (std::vector<std::string>{"run slow"}));
}

}  // namespace

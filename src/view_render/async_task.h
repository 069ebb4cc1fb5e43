// Background work: a task runs on the process's thread pool and completes on the
// thread that owns its queue, where results are handed over by synchronous messages.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "view_render/message_window.h"

constexpr UINT kMsgTaskDone = WM_APP + 0x81;
constexpr UINT kMsgSendForTask = WM_APP + 0x82;

class CAsyncTask {
 public:
  CAsyncTask();
  virtual ~CAsyncTask();
  CAsyncTask(const CAsyncTask&) = delete;
  CAsyncTask& operator=(const CAsyncTask&) = delete;

  // Worker thread: the work itself, writing into the task's own fields.
  virtual void Run() = 0;
  // Window thread: hand the results over.
  virtual void OnComplete() {}
  // Clears the running flag; Run polls it and may stop early.
  virtual void Cancel() { running_ = 0; }

  int id() const { return id_; }
  bool IsRunning() const { return running_ != 0; }
  const volatile LONG* running_flag() const { return &running_; }
  // True once the worker has handed over its result and gone back to the pool.
  bool WaitWorkerReleased(DWORD timeout_ms) const {
    return finished_ && ::WaitForSingleObject(finished_, timeout_ms) == WAIT_OBJECT_0;
  }

  // From Run: delivers a message on the queue's thread, so a worker never blocks on a
  // window that the queue's owner has taken away.
  void SendThroughQueue(HWND target, UINT msg, WPARAM wp, LPARAM lp) const;

 private:
  friend class CAsyncTaskQueue;
  HWND queue_window_ = nullptr;
  PTP_WORK work_ = nullptr;
  HANDLE finished_ = nullptr;  // set when the worker has sent its last message
  int id_;
  volatile LONG running_ = 1;
};

class CAsyncTaskQueue : public FCMessageWindow {
 public:
  CAsyncTaskQueue();
  ~CAsyncTaskQueue() override;

  // Takes ownership of the task.
  void Push(CAsyncTask* task);
  // Blocks until no task runs; their completions follow from the message loop.
  void WaitIdle();
  void CancelRunning();
  // Drops the pending tasks, newest first, then cancels the running ones.
  void CancelAll();
  void DropPending();
  std::vector<CAsyncTask*> RunningTasks() const;

  size_t RunningCount() const { return running_.size(); }
  size_t PendingCount() const { return pending_.size(); }

  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  virtual size_t MaxRunning() const { return 1; }
  virtual void OnTaskStart(CAsyncTask*) {}
  void Pump();

 private:
  static void CALLBACK WorkCallback(PTP_CALLBACK_INSTANCE instance, PVOID context, PTP_WORK work);
  void Complete(int id);
  static void CloseWork(CAsyncTask* task);

  std::map<int, std::shared_ptr<CAsyncTask>> running_;
  std::deque<std::shared_ptr<CAsyncTask>> pending_;
};

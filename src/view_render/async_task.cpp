#include "view_render/async_task.h"

#include <vector>

#include "basic_lib/auto_init.h"

namespace {
int g_next_task_id = 1;  // window thread only

struct SendRecord {
  HWND target;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};
}  // namespace

CAsyncTask::CAsyncTask() : id_(g_next_task_id++) {}

CAsyncTask::~CAsyncTask() {
  if (finished_) ::CloseHandle(finished_);
}

void CAsyncTask::SendThroughQueue(HWND target, UINT msg, WPARAM wp, LPARAM lp) const {
  SendRecord record{target, msg, wp, lp};
  ::SendMessageW(queue_window_, kMsgSendForTask, reinterpret_cast<WPARAM>(&record), 0);
}

CAsyncTaskQueue::CAsyncTaskQueue() { Create(nullptr); }

CAsyncTaskQueue::~CAsyncTaskQueue() {
  WaitIdle();
  Destroy();  // drops the completions WaitIdle posted
  running_.clear();
  pending_.clear();
}

void CAsyncTaskQueue::Push(CAsyncTask* task) {
  if (!task) return;
  pending_.push_back(std::shared_ptr<CAsyncTask>(task));
  Pump();
}

void CAsyncTaskQueue::Pump() {
  while (running_.size() < MaxRunning() && !pending_.empty()) {
    std::shared_ptr<CAsyncTask> task = pending_.front();
    task->queue_window_ = m_hWnd;
    OnTaskStart(task.get());
    pending_.pop_front();
    if (!task->finished_) task->finished_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    PTP_WORK work = task->finished_ ? ::CreateThreadpoolWork(&CAsyncTaskQueue::WorkCallback, task.get(), nullptr)
                                    : nullptr;
    if (!work) continue;  // cannot run: drop it rather than block a running slot
    running_[task->id_] = task;
    task->work_ = work;
    ::SubmitThreadpoolWork(work);
  }
}

void CALLBACK CAsyncTaskQueue::WorkCallback(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK) {
  auto* task = static_cast<CAsyncTask*>(context);
  FCAutoInitializeCOM com;
  task->Run();
  ::SendMessageW(task->queue_window_, kMsgTaskDone, static_cast<WPARAM>(task->id_), ::GetCurrentThreadId());
  ::SetEvent(task->finished_);
}

void CAsyncTaskQueue::CloseWork(CAsyncTask* task) {
  if (!task->work_) return;
  ::WaitForThreadpoolWorkCallbacks(task->work_, FALSE);
  ::CloseThreadpoolWork(task->work_);
  task->work_ = nullptr;
}

LRESULT CAsyncTaskQueue::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kMsgTaskDone:
      if (static_cast<DWORD>(lp) != ::GetCurrentThreadId()) ::ReplyMessage(0);
      Complete(static_cast<int>(wp));
      Pump();
      return 0;
    case kMsgSendForTask: {
      auto* record = reinterpret_cast<const SendRecord*>(wp);
      if (record) ::SendMessageW(record->target, record->msg, record->wp, record->lp);
      return 0;
    }
  }
  return FCMessageWindow::WindowProc(msg, wp, lp);
}

void CAsyncTaskQueue::Complete(int id) {
  auto it = running_.find(id);
  if (it == running_.end()) return;
  std::shared_ptr<CAsyncTask> task = it->second;
  task->OnComplete();
  CloseWork(task.get());
  running_.erase(id);
}

void CAsyncTaskQueue::WaitIdle() {
  if (running_.empty()) return;
  // Without a window, a worker's messages fail at once instead of waiting for this
  // thread, which is about to block.
  Destroy();
  std::vector<int> ids;
  for (auto& [id, task] : running_) {
    ids.push_back(id);
    // A worker may have sent to the old window just before it went: answer such
    // messages (they find no window) while waiting, so that it can finish.
    while (task->finished_ &&
           ::MsgWaitForMultipleObjects(1, &task->finished_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseWork(task.get());
  }
  Create(nullptr);
  for (auto& [id, task] : running_) task->queue_window_ = m_hWnd;
  for (int id : ids) ::PostMessageW(m_hWnd, kMsgTaskDone, static_cast<WPARAM>(id), ::GetCurrentThreadId());
}

void CAsyncTaskQueue::CancelRunning() {
  for (auto& [id, task] : running_) task->Cancel();
}

void CAsyncTaskQueue::DropPending() {
  while (!pending_.empty()) pending_.pop_back();
  pending_.shrink_to_fit();
}

void CAsyncTaskQueue::CancelAll() {
  DropPending();
  CancelRunning();
}

std::vector<CAsyncTask*> CAsyncTaskQueue::RunningTasks() const {
  std::vector<CAsyncTask*> tasks;
  for (const auto& [id, task] : running_) tasks.push_back(task.get());
  return tasks;
}

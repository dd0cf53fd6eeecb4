// A worker thread commanded synchronously: a caller posts one command and blocks
// until the worker replies with a result. The worker looks at commands only when
// it chooses to (between samples).
#pragma once

#include <atomic>
#include <thread>

#include "filter/framework/critical_section.h"
#include "filter/framework/event.h"
#include "orlin/com.h"

namespace orlin::framework {

class CAMThread {
 public:
  // A failed set-up is reported through phr when given (only over a success).
  explicit CAMThread(HRESULT* phr = nullptr);

  // ---- Thread face ----
  // The worker body; its result is the thread's exit code.
  virtual DWORD ThreadProc() = 0;
  virtual ~CAMThread();

  CAMThread(const CAMThread&) = delete;
  CAMThread& operator=(const CAMThread&) = delete;

  // ---- Caller side ----
  // Starts the worker; false when one is recorded already or it cannot start.
  bool Create();
  // Posts a command and waits for the reply; E_FAIL when there is no worker.
  DWORD CallWorker(DWORD command);
  // Waits for the worker to end and forgets it.
  void Close();
  bool ThreadExists() const { return thread_.load() != nullptr; }

  // ---- Worker side ----
  // Waits for a command; it stays pending until replied to.
  DWORD GetRequest();
  // Tests for a pending command without waiting.
  bool CheckRequest(DWORD* command);
  void Reply(DWORD result);

  // The exit code of the last worker that ended.
  DWORD ExitCode() const { return exit_code_.load(); }

 private:
  static void ThreadEntry(CAMThread* self);

  CAMEvent send_event_{CAMEvent::Reset::Manual};
  CAMEvent completion_event_{CAMEvent::Reset::Automatic};
  DWORD command_ = 0;
  DWORD reply_ = 0;
  std::atomic<std::thread*> thread_{nullptr};
  CCritSec access_lock_;
  CCritSec worker_lock_;  // kept for derived workers; the framework never takes it
  std::atomic<DWORD> exit_code_{0};
};

}  // namespace orlin::framework

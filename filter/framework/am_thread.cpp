#include "filter/framework/am_thread.h"

#include <memory>
#include <new>
#include <system_error>

#include "orlin/thread_apartment.h"

namespace orlin::framework {

CAMThread::CAMThread(HRESULT*) {}

CAMThread::~CAMThread() { Close(); }

void CAMThread::ThreadEntry(CAMThread* self) {
  const orlin::ThreadApartment apartment;
  self->exit_code_.store(self->ThreadProc());
}

// ---- Caller side ----

bool CAMThread::Create() {
  CAutoLock lock(&access_lock_);
  if (ThreadExists()) return false;
  try {
    thread_.store(new std::thread(&CAMThread::ThreadEntry, this));
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

DWORD CAMThread::CallWorker(DWORD command) {
  CAutoLock lock(&access_lock_);
  if (!ThreadExists()) return static_cast<DWORD>(E_FAIL);
  command_ = command;
  send_event_.Set();
  completion_event_.Wait();
  return reply_;
}

void CAMThread::Close() {
  std::unique_ptr<std::thread> thread(thread_.exchange(nullptr));
  if (thread && thread->joinable()) thread->join();
}

// ---- Worker side ----

DWORD CAMThread::GetRequest() {
  send_event_.Wait();
  return command_;
}

bool CAMThread::CheckRequest(DWORD* command) {
  if (!send_event_.Check()) return false;
  if (command != nullptr) *command = command_;
  return true;
}

void CAMThread::Reply(DWORD result) {
  reply_ = result;
  send_event_.Reset();
  completion_event_.Set();
}

}  // namespace orlin::framework

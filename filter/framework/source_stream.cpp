#include "filter/framework/source_stream.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "filter/framework/media_type.h"
#include "filter/framework/source.h"

namespace orlin::framework {

namespace {
DWORD AsReply(HRESULT hr) { return static_cast<DWORD>(hr); }
HRESULT AsResult(DWORD reply) { return static_cast<HRESULT>(reply); }
}  // namespace

CSourceStream::CSourceStream(const WCHAR* object_name, HRESULT* phr, CSource* filter,
                             const WCHAR* pin_name)
    : CAMThread(nullptr),
      CBaseOutputPin(object_name, filter, filter->pStateLock(), phr, pin_name),
      source_(filter) {
  // Over a success only: the pin's own set-up may have failed already.
  const HRESULT hr = filter->AddPin(this);
  if (phr != nullptr && SUCCEEDED(*phr)) *phr = hr;
}

CSourceStream::~CSourceStream() { source_->RemovePin(this); }

// ---- Thread face ----

DWORD CSourceStream::ThreadProc() {
  // Nothing but CMD_INIT starts the worker; everything before it is answered.
  while (GetRequest() != CMD_INIT) Reply(AsReply(E_UNEXPECTED));

  HRESULT hr = OnThreadCreate();
  if (FAILED(hr)) {
    OnThreadDestroy();
    Reply(AsReply(hr));
    return 1;
  }
  Reply(AsReply(S_OK));

  for (bool exit = false; !exit;) {
    switch (GetRequest()) {
      case CMD_PAUSE:
      case CMD_RUN:
        Reply(AsReply(S_OK));
        DoBufferProcessing();
        break;
      case CMD_STOP:
        Reply(AsReply(S_OK));
        break;
      case CMD_EXIT:
        Reply(AsReply(S_OK));
        exit = true;
        break;
      default:
        Reply(AsReply(E_NOTIMPL));
        break;
    }
  }
  hr = OnThreadDestroy();
  return FAILED(hr) ? 1 : 0;
}

HRESULT CSourceStream::OnThreadCreate() { return S_OK; }

HRESULT CSourceStream::OnThreadDestroy() { return S_OK; }

HRESULT CSourceStream::OnThreadStartPlay() { return S_OK; }

HRESULT CSourceStream::DoBufferProcessing() {
  OnThreadStartPlay();
  for (;;) {
    DWORD command = 0;
    while (!CheckRequest(&command)) {
      ComRef<IMediaSample> sample;
      HRESULT hr = GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
      if (FAILED(hr) || !sample) {
        // Decommitted, or no free sample for a moment: look for a command again.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      hr = FillBuffer(sample.Get());
      if (hr == S_OK) {
        hr = Deliver(sample.Get());
        sample.Clear();
        // Downstream wants no more (or failed): stop quietly.
        if (hr != S_OK) return S_OK;
      } else if (hr == S_FALSE) {
        sample.Clear();
        DeliverEndOfStream();
        return S_OK;
      } else {
        sample.Clear();
        DeliverEndOfStream();
        source_->NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
      }
    }
    switch (command) {
      case CMD_PAUSE:
      case CMD_RUN:
        Reply(AsReply(S_OK));
        break;
      case CMD_STOP:
        // Left pending: ThreadProc answers it.
        return S_FALSE;
      default:
        Reply(AsReply(E_UNEXPECTED));
        break;
    }
  }
}

HRESULT CSourceStream::GetMediaType(AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

// ---- Pin face: framework operations ----

HRESULT CSourceStream::Active() {
  CAutoLock lock(source_->pStateLock());
  if (source_->IsActive()) return S_FALSE;
  if (!IsConnected()) return S_OK;
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;

  if (!Create()) {
    CBaseOutputPin::Inactive();
    return E_FAIL;
  }
  hr = AsResult(CallWorker(CMD_INIT));
  if (FAILED(hr)) {
    // The worker has ended: forget it and give the buffers back, so that a later
    // Pause can start again.
    Close();
    CBaseOutputPin::Inactive();
    return hr;
  }
  return AsResult(CallWorker(CMD_PAUSE));
}

HRESULT CSourceStream::Inactive() {
  CAutoLock lock(source_->pStateLock());
  if (!IsConnected()) return S_OK;
  // Decommit first: a worker waiting for a buffer is released and sees the command.
  const HRESULT hr = CBaseOutputPin::Inactive();
  if (FAILED(hr)) return hr;
  return EndWorker();
}

void CSourceStream::StopWorker() {
  CAutoLock lock(source_->pStateLock());
  if (!ThreadExists()) return;
  CBaseOutputPin::Inactive();
  EndWorker();
}

HRESULT CSourceStream::EndWorker() {
  if (!ThreadExists()) return S_OK;
  HRESULT hr = AsResult(CallWorker(CMD_STOP));
  if (FAILED(hr)) return hr;
  hr = AsResult(CallWorker(CMD_EXIT));
  if (FAILED(hr)) return hr;
  Close();
  return S_OK;
}

HRESULT CSourceStream::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CAutoLock lock(source_->pStateLock());
  CMediaType mine;
  const HRESULT hr = GetMediaType(static_cast<AM_MEDIA_TYPE*>(&mine));
  return SUCCEEDED(hr) && MediaTypesEqual(mine, *type) ? S_OK : E_FAIL;
}

HRESULT CSourceStream::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CAutoLock lock(source_->pStateLock());
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return GetMediaType(type);
}

// ---- IPin ----

HRESULT CSourceStream::QueryId(LPWSTR* Id) {
  if (Id == nullptr) return E_POINTER;
  *Id = nullptr;
  const int index = source_->FindPinNumber(static_cast<IPin*>(this));
  if (index < 0) return VFW_E_NOT_FOUND;
  constexpr int kChars = 12;
  auto* text = static_cast<WCHAR*>(CoTaskMemAlloc(kChars * sizeof(WCHAR)));
  if (text == nullptr) return E_OUTOFMEMORY;
  char digits[kChars];
  const int length = std::snprintf(digits, sizeof digits, "%d", index + 1);
  for (int i = 0; i <= length; ++i) text[i] = static_cast<WCHAR>(digits[i]);
  *Id = text;
  return S_OK;
}

}  // namespace orlin::framework

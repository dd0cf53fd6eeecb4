#include "filter/framework/source.h"

#include <algorithm>
#include <new>

#include "filter/framework/source_stream.h"

namespace orlin::framework {

CSource::CSource(const WCHAR* name, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(name, outer, &state_lock_, clsid) {}

CSource::~CSource() {
  StopWorkers();
  // Each pin's destructor takes itself out of the array.
  while (pin_count_ > 0) delete pins_[pin_count_ - 1];
}

void CSource::StopWorkers() {
  for (int i = 0; i < pin_count_; ++i) pins_[i]->StopWorker();
}

// ---- Framework operations of CBaseFilter ----

int CSource::GetPinCount() {
  CAutoLock lock(&state_lock_);
  return pin_count_;
}

CBasePin* CSource::GetPin(int index) {
  CAutoLock lock(&state_lock_);
  if (index < 0 || index >= pin_count_) return nullptr;
  return pins_[index];
}

// ---- Pin management ----

HRESULT CSource::AddPin(CSourceStream* stream) {
  CAutoLock lock(&state_lock_);
  std::unique_ptr<CSourceStream*[]> grown(new (std::nothrow) CSourceStream*[pin_count_ + 1]);
  if (!grown) return E_OUTOFMEMORY;
  std::copy(pins_.get(), pins_.get() + pin_count_, grown.get());
  grown[pin_count_] = stream;
  pins_ = std::move(grown);
  ++pin_count_;
  return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* stream) {
  for (int i = 0; i < pin_count_; ++i) {
    if (pins_[i] != stream) continue;
    if (pin_count_ == 1) {
      pins_.reset();
    } else {
      std::copy(pins_.get() + i + 1, pins_.get() + pin_count_, pins_.get() + i);
    }
    --pin_count_;
    return S_OK;
  }
  return S_FALSE;
}

int CSource::FindPinNumber(IPin* pin) {
  for (int i = 0; i < pin_count_; ++i) {
    if (static_cast<IPin*>(pins_[i]) == pin) return i;
  }
  return -1;
}

}  // namespace orlin::framework

// A source filter: owns its output pins (CSourceStream) and the state lock that
// the filter and every pin share.
#pragma once

#include <memory>

#include "filter/framework/base_filter.h"

namespace orlin::framework {

class CSourceStream;

class CSource : public CBaseFilter {
 public:
  // The name is a label only; it is not stored.
  CSource(const WCHAR* name, IUnknown* outer, REFCLSID clsid);
  // Ends the pins' workers, then deletes the pins from the last to the first.
  ~CSource() override;

  // ---- Framework operations of CBaseFilter ----
  int GetPinCount() override;
  CBasePin* GetPin(int index) override;

  // Called by each CSourceStream as it is built and destroyed.
  HRESULT AddPin(CSourceStream* stream);
  HRESULT RemovePin(CSourceStream* stream);
  // The 0-based index of the pin with this IPin face, or -1.
  int FindPinNumber(IPin* pin);

 protected:
  // Ends every pin's worker, even in a filter released without Stop: a worker
  // may be inside FillBuffer, and it uses the pin and the filter. ~CSource
  // calls it; a derived filter whose members the workers use calls it first
  // in its own destructor.
  void StopWorkers();

  int pin_count_ = 0;
  std::unique_ptr<CSourceStream*[]> pins_;
  CCritSec state_lock_;
};

}  // namespace orlin::framework

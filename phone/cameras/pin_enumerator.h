// IEnumPins over the capture filter's one pin.
#pragma once

#include <atomic>

#include "orlin/dshow.h"
#include "orlin/com_ref.h"

namespace orlin::phone::cameras {

class PinEnumerator final : public IEnumPins {
 public:
  // Holds a reference on `pin` (and so on its filter) while it lives.
  static HRESULT Create(IPin* pin, ULONG position, IEnumPins** enumerator);

  // --- IUnknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- IEnumPins ---
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** enumerator) override;

 private:
  PinEnumerator(IPin* pin, ULONG position);
  ~PinEnumerator() = default;

  std::atomic<ULONG> references_{1};
  ComRef<IPin> pin_;
  ULONG position_;
};

}  // namespace orlin::phone::cameras

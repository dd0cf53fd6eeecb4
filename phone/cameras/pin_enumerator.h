// IEnumPins over the capture filter's one pin.
#pragma once

#include "orlin/com_object.h"
#include "orlin/com_ref.h"
#include "orlin/dshow.h"

namespace orlin::phone::cameras {

class PinEnumerator final : public ComObject<IEnumPins, IID_IEnumPins> {
 public:
  // Holds a reference on `pin` (and so on its filter) while it lives.
  static HRESULT Create(IPin* pin, ULONG position, IEnumPins** enumerator);

  // --- IEnumPins ---
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** enumerator) override;

 private:
  PinEnumerator(IPin* pin, ULONG position);
  ~PinEnumerator() = default;

  ComRef<IPin> pin_;
  ULONG position_;
};

}  // namespace orlin::phone::cameras

// The media types of a pin, one by one. The enumerator holds a reference on its
// pin (and so on the filter) and notices type changes through the type version.
#pragma once

#include "orlin/com_object.h"
#include "orlin/dshow.h"

namespace orlin::framework {

class CBasePin;

class CEnumMediaTypes : public ComObject<IEnumMediaTypes, IID_IEnumMediaTypes> {
 public:
  // A fresh enumerator over pin, or a clone of source when one is given.
  CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* source);
  virtual ~CEnumMediaTypes();
  CEnumMediaTypes(const CEnumMediaTypes&) = delete;
  CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

  // ---- IEnumMediaTypes ----
  HRESULT STDMETHODCALLTYPE Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes,
                                 ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cMediaTypes) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) override;

 private:
  bool OutOfSync() const;

  int position_ = 0;
  CBasePin* const pin_;  // counted
  LONG version_ = 0;
};

}  // namespace orlin::framework

// The pins of a filter, one by one. The enumerator holds a reference on its
// filter and notices when the filter's pins change through the pin version.
#pragma once

#include <vector>

#include "orlin/com_object.h"
#include "orlin/dshow.h"

namespace orlin::framework {

class CBaseFilter;
class CBasePin;

class CEnumPins : public ComObject<IEnumPins, IID_IEnumPins> {
 public:
  // A fresh enumerator over filter, or a clone of source when one is given.
  CEnumPins(CBaseFilter* filter, const CEnumPins* source);
  virtual ~CEnumPins();
  CEnumPins(const CEnumPins&) = delete;
  CEnumPins& operator=(const CEnumPins&) = delete;

  // False when the clone's cache could not be copied.
  bool Valid() const { return valid_; }

  // ---- IEnumPins ----
  HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) override;

 private:
  bool OutOfSync() const;
  void Refresh();

  int position_ = 0;
  int pin_count_ = 0;
  CBaseFilter* const filter_;  // counted
  LONG version_ = 0;
  std::vector<CBasePin*> cache_;  // the pins already returned
  bool valid_ = true;
};

}  // namespace orlin::framework

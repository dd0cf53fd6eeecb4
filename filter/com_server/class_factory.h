// The class factory COM receives from DllGetClassObject: creates the objects of
// one factory template entry.
#pragma once

#include <atomic>

#include "filter/com_server/factory_template.h"
#include "filter/framework/base_object.h"
#include "orlin/com_object.h"

namespace orlin::filter {

class CClassFactory final : public ComObject<IClassFactory, IID_IClassFactory>,
                            public framework::CBaseObject {
 public:
  explicit CClassFactory(const CFactoryTemplate* entry);

  // Locks taken through LockServer across every factory of the process.
  static LONG ServerLocks() { return locks_.load(); }

  // ---- IClassFactory ----
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                           void** ppvObject) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

 private:
  ~CClassFactory() = default;

  const CFactoryTemplate* const entry_;
  static std::atomic<LONG> locks_;
};

}  // namespace orlin::filter

// A minimal in-process server for the loader tests: one class whose objects
// answer IPersist with their class, a factory, and the counts behind
// DllCanUnloadNow.
#include <atomic>
#include <new>

#include "orlin/com_object.h"

namespace {

using orlin::ComObject;

constexpr CLSID kServedClass = {0x5d1f0a52, 0x3c6e, 0x4b8a,
                                {0x9e, 0x41, 0x27, 0x0c, 0x6a, 0x93, 0x1d, 0xb4}};

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};

class Served final : public ComObject<IPersist, IID_IPersist> {
 public:
  Served() { ++live_objects; }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = kServedClass;
    return S_OK;
  }

 private:
  ~Served() { --live_objects; }
};

class Factory final : public ComObject<IClassFactory, IID_IClassFactory> {
 public:
  Factory() { ++live_objects; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppvObject) override {
    return orlin::CreateComObject<Served>(outer, riid, ppvObject);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override {
    server_locks += fLock ? 1 : -1;
    return S_OK;
  }

 private:
  ~Factory() { --live_objects; }
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                                 void** ppv);
__attribute__((visibility("default"))) HRESULT DllCanUnloadNow();
}

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, kServedClass)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) Factory;
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

HRESULT DllCanUnloadNow() {
  return live_objects == 0 && server_locks == 0 ? S_OK : S_FALSE;
}

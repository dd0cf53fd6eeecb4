#include "filter/com_server/server.h"

#include <new>

#include "filter/com_server/class_factory.h"
#include "filter/com_server/registration.h"
#include "orlin/com_ref.h"
#include "filter/orlin_filter.h"

namespace orlin::filter {

using framework::CBaseObject;
namespace {

// Creates the filter mapper that holds the device categories.
HRESULT CreateMapper(ComRef<IFilterMapper2>& mapper) {
  // COM is initialised by the caller: the registration routine has undone its own.
  return CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                          mapper.ReceiveVoid());
}

}  // namespace

HRESULT ServerRegister() {
  HRESULT hr = RegisterAllServers(TRUE);
  if (FAILED(hr)) return hr;
  ComRef<IFilterMapper2> mapper;
  hr = CreateMapper(mapper);
  if (FAILED(hr)) return hr;
  return mapper->RegisterFilter(CLSID_OrlinCamera, kFriendlyName, nullptr,
                                &CLSID_VideoInputDeviceCategory, kDeviceInstance,
                                &kVideoInputDevice);
}

HRESULT ServerUnregister() {
  HRESULT hr = RegisterAllServers(FALSE);
  if (FAILED(hr)) return hr;
  ComRef<IFilterMapper2> mapper;
  hr = CreateMapper(mapper);
  if (FAILED(hr)) return hr;
  return mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kDeviceInstance,
                                  CLSID_OrlinCamera);
}

HRESULT ServerGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  const CFactoryTemplate* entry = FindTemplate(clsid);
  if (entry == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) CClassFactory(entry);
  if (factory == nullptr) return E_OUTOFMEMORY;
  *ppv = static_cast<IClassFactory*>(factory);  // created with the caller's reference
  return S_OK;
}

HRESULT ServerCanUnloadNow() {
  return CClassFactory::ServerLocks() > 0 || CBaseObject::ObjectsActive() != 0 ? S_FALSE : S_OK;
}

void ServerProcessAttach(BOOL attach) {
  for (int i = 0; i < kTemplateCount; ++i) {
    if (kTemplates[i].init != nullptr) kTemplates[i].init(attach, kTemplates[i].clsid);
  }
}

}  // namespace orlin::filter

// Device monikers and the property bags they bind to, over the PC hive.
#include "platform/posix/dshow/device_moniker.h"

#include <atomic>
#include <new>

#include "orlin/host_services.h"
#include "orlin/com_object.h"
#include "platform/posix/com/class_keys.h"

namespace orlin::detail {
namespace {

// The class of the monikers the system device enumerator hands out.
constexpr CLSID CLSID_CDeviceMoniker = {0x4315d437, 0x5b8c, 0x11d0,
                                        {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};

class RegistryPropertyBag final : public ComObject<IPropertyBag, IID_IPropertyBag> {
 public:
  explicit RegistryPropertyBag(std::u16string keyPath) : key_path_(std::move(keyPath)) {}

  // IPropertyBag
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    platform::RegistryKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, key_path_.c_str(), 0, KEY_READ, key.Receive());
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    DWORD type = 0, bytes = 0;
    status = RegQueryValueExW(key.Get(), pszPropName, nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (type == REG_DWORD && bytes == sizeof(DWORD)) {
      DWORD value = 0;
      status = RegQueryValueExW(key.Get(), pszPropName, nullptr, &type,
                                reinterpret_cast<BYTE*>(&value), &bytes);
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
      VariantClear(pVar);
      pVar->vt = VT_I4;
      pVar->lVal = static_cast<LONG>(value);
      return S_OK;
    }
    std::u16string text;
    if (!QueryStringValue(key.Get(), pszPropName, text)) return E_NOTIMPL;
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy == nullptr) return E_OUTOFMEMORY;
    VariantClear(pVar);
    pVar->vt = VT_BSTR;
    pVar->bstrVal = copy;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR pszPropName, VARIANT* pVar) override {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    if (pVar->vt != VT_BSTR && pVar->vt != VT_I4) return E_INVALIDARG;
    platform::RegistryKey key;
    LSTATUS status = RegCreateKeyW(HKEY_CLASSES_ROOT, key_path_.c_str(), key.Receive());
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (pVar->vt == VT_BSTR) {
      status = SetStringValue(key.Get(), pszPropName,
                              std::u16string(pVar->bstrVal, SysStringLen(pVar->bstrVal)));
    } else {
      const DWORD value = static_cast<DWORD>(pVar->lVal);
      status = RegSetValueExW(key.Get(), pszPropName, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    return HRESULT_FROM_WIN32(status);
  }

 private:
  ~RegistryPropertyBag() = default;

  const std::u16string key_path_;
};

class DeviceMoniker final
    : public ComObject<IMoniker, IID_IPersist, IID_IPersistStream, IID_IMoniker> {
 public:
  DeviceMoniker(REFCLSID category, std::u16string instance)
      : category_(category), instance_(std::move(instance)),
        key_path_(InstanceKeyPath(category, instance_)) {}

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = CLSID_CDeviceMoniker;
    return S_OK;
  }

  // IPersistStream: a moniker of this host is never saved.
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

  // IMoniker
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID riidResult,
                                         void** ppvResult) override {
    if (ppvResult == nullptr) return E_POINTER;
    *ppvResult = nullptr;
    IPropertyBag* bag = NewRegistryPropertyBag(key_path_);
    if (bag == nullptr) return E_OUTOFMEMORY;
    VARIANT clsid_text;
    VariantInit(&clsid_text);
    HRESULT hr = bag->Read(u"CLSID", &clsid_text, nullptr);
    CLSID clsid = GUID_NULL;
    if (SUCCEEDED(hr)) {
      hr = clsid_text.vt == VT_BSTR ? CLSIDFromString(clsid_text.bstrVal, &clsid) : E_FAIL;
    }
    VariantClear(&clsid_text);
    IUnknown* object = nullptr;
    if (SUCCEEDED(hr)) {
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(&object));
    }
    if (SUCCEEDED(hr)) {
      // A device filter may want its entry's values, as on Windows.
      IPersistPropertyBag* persist = nullptr;
      if (SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag,
                                           reinterpret_cast<void**>(&persist)))) {
        persist->Load(bag, nullptr);
        persist->Release();
      }
      hr = object->QueryInterface(riidResult, ppvResult);
      object->Release();
    }
    bag->Release();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppvObj) override {
    if (ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    if (!IsEqualIID(riid, IID_IPropertyBag)) return E_NOINTERFACE;
    IPropertyBag* bag = NewRegistryPropertyBag(key_path_);
    if (bag == nullptr) return E_OUTOFMEMORY;
    *ppvObj = bag;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** ppmkReduced) override {
    if (ppmkReduced == nullptr) return E_POINTER;
    *ppmkReduced = this;
    AddRef();
    return MK_S_REDUCED_TO_SELF;
  }
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker** ppmkComposite) override {
    if (ppmkComposite != nullptr) *ppmkComposite = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker** ppenumMoniker) override {
    if (ppenumMoniker == nullptr) return E_POINTER;
    *ppenumMoniker = nullptr;  // a simple moniker has no parts
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* pmkOtherMoniker) override {
    if (pmkOtherMoniker == nullptr) return E_INVALIDARG;
    LPOLESTR mine = nullptr, theirs = nullptr;
    HRESULT hr = GetDisplayName(nullptr, nullptr, &mine);
    if (SUCCEEDED(hr)) hr = pmkOtherMoniker->GetDisplayName(nullptr, nullptr, &theirs);
    const bool equal = SUCCEEDED(hr) && std::u16string(mine) == std::u16string(theirs);
    CoTaskMemFree(mine);
    CoTaskMemFree(theirs);
    return equal ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Hash(DWORD* pdwHash) override {
    if (pdwHash == nullptr) return E_POINTER;
    DWORD hash = 0;
    for (char16_t c : key_path_) hash = hash * 31 + c;
    *pdwHash = hash;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker** ppmk) override {
    if (ppmk != nullptr) *ppmk = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker** ppmkPrefix) override {
    if (ppmkPrefix != nullptr) *ppmkPrefix = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker** ppmkRelPath) override {
    if (ppmkRelPath != nullptr) *ppmkRelPath = nullptr;
    return E_NOTIMPL;
  }
  // "@device:sw:{category}\instance", the form Windows gives software devices.
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* ppszDisplayName) override {
    if (ppszDisplayName == nullptr) return E_POINTER;
    *ppszDisplayName = nullptr;
    const std::u16string name = u"@device:sw:" + GuidText(category_) + u"\\" + instance_;
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
    if (text == nullptr) return E_OUTOFMEMORY;
    std::char_traits<char16_t>::copy(text, name.c_str(), name.size() + 1);
    *ppszDisplayName = text;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* pchEaten,
                                             IMoniker** ppmkOut) override {
    if (pchEaten != nullptr) *pchEaten = 0;
    if (ppmkOut != nullptr) *ppmkOut = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* pdwMksys) override {
    if (pdwMksys == nullptr) return E_POINTER;
    *pdwMksys = 0;  // MKSYS_NONE
    return S_FALSE;
  }

 private:
  static constexpr HRESULT MK_S_REDUCED_TO_SELF = 0x000401E2;
  ~DeviceMoniker() = default;

  const CLSID category_;
  const std::u16string instance_;
  const std::u16string key_path_;
};

}  // namespace

IMoniker* NewDeviceMoniker(REFCLSID category, const std::u16string& instance) {
  try {
    return new DeviceMoniker(category, instance);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

IPropertyBag* NewRegistryPropertyBag(const std::u16string& keyPath) {
  try {
    return new RegistryPropertyBag(keyPath);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace orlin::detail

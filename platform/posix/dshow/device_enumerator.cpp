// The system device enumerator over the PC hive: a category's devices are the
// subkeys of HKCR\CLSID\{category}\Instance, as the filter mapper writes them.
#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "orlin/device_enumerator.h"
#include "orlin/host_services.h"
#include "orlin/com_object.h"
#include "platform/posix/com/class_keys.h"
#include "platform/posix/dshow/device_moniker.h"

namespace orlin {
namespace {

// A snapshot of a category's instance names, taken when the enumerator is made.
class DeviceMonikerEnum final : public ComObject<IEnumMoniker, IID_IEnumMoniker> {
 public:
  DeviceMonikerEnum(REFCLSID category, std::vector<std::u16string> instances, std::size_t position = 0)
      : category_(category), instances_(std::move(instances)), position_(position) {}

  // IEnumMoniker
  HRESULT STDMETHODCALLTYPE Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
    if (pceltFetched != nullptr) *pceltFetched = 0;
    if (rgelt == nullptr) return E_POINTER;
    if (celt > 1 && pceltFetched == nullptr) return E_INVALIDARG;
    ULONG fetched = 0;
    while (fetched < celt && position_ < instances_.size()) {
      IMoniker* moniker = detail::NewDeviceMoniker(category_, instances_[position_]);
      if (moniker == nullptr) {
        for (ULONG i = 0; i < fetched; ++i) {
          rgelt[i]->Release();
          rgelt[i] = nullptr;
        }
        return E_OUTOFMEMORY;
      }
      rgelt[fetched++] = moniker;
      ++position_;
    }
    if (pceltFetched != nullptr) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    const std::size_t left = instances_.size() - position_;
    position_ += celt < left ? celt : left;
    return celt <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** ppenum) override {
    if (ppenum == nullptr) return E_POINTER;
    *ppenum = nullptr;
    try {
      *ppenum = new DeviceMonikerEnum(category_, instances_, position_);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  ~DeviceMonikerEnum() = default;

  const CLSID category_;
  const std::vector<std::u16string> instances_;
  std::size_t position_;
};

class SystemDeviceEnum final : public ComObject<ICreateDevEnum, IID_ICreateDevEnum> {
 public:
  // ICreateDevEnum
  HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                                  DWORD) override {
    if (ppEnumMoniker == nullptr) return E_POINTER;
    *ppEnumMoniker = nullptr;
    try {
      std::vector<std::u16string> instances;
      platform::RegistryKey key;
      const std::u16string path = detail::CategoryInstancesPath(clsidDeviceClass);
      if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
        WCHAR name[256];
        for (DWORD index = 0;; ++index) {
          DWORD chars = 256;
          if (RegEnumKeyExW(key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
              ERROR_SUCCESS) {
            break;
          }
          instances.emplace_back(name, chars);
        }
      }
      // An empty category answers S_FALSE and no enumerator, as on Windows.
      if (instances.empty()) return S_FALSE;
      *ppEnumMoniker = new DeviceMonikerEnum(clsidDeviceClass, std::move(instances));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  ~SystemDeviceEnum() = default;

};

}  // namespace

HRESULT CreateSystemDeviceEnum(IUnknown* outer, REFIID riid, void** object) {
  return CreateComObject<SystemDeviceEnum>(outer, riid, object);
}

}  // namespace orlin

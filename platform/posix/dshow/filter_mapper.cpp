// The filter mapper over the PC hive. Entries sit where Windows keeps them:
// HKCR\CLSID\{category}\Instance\{instance} with FriendlyName, CLSID and
// FilterData; no category means the general filter list, no instance name
// the filter's class identifier.
#include <atomic>
#include <new>
#include <string>

#include "orlin/device_enumerator.h"
#include "orlin/host_services.h"
#include "orlin/com_object.h"
#include "platform/posix/com/class_keys.h"
#include "platform/posix/dshow/device_moniker.h"
#include "platform/posix/dshow/filter_data.h"

namespace orlin {
namespace {

// Where categories themselves are listed.
constexpr CLSID CLSID_ActiveMovieCategories = {0xda4e3da0, 0xd07d, 0x11d0,
                                               {0xbd, 0x50, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};

class FilterMapper final : public ComObject<IFilterMapper2, IID_IFilterMapper2> {
 public:
  // IFilterMapper2
  HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                           LPCWSTR Description) override {
    if (Description == nullptr) return E_POINTER;
    try {
      const std::u16string path = detail::InstanceKeyPath(CLSID_ActiveMovieCategories,
                                                          detail::GuidText(clsidCategory));
      platform::RegistryKey key;
      LSTATUS status = RegCreateKeyW(HKEY_CLASSES_ROOT, path.c_str(), key.Receive());
      if (status == ERROR_SUCCESS) status = detail::SetStringValue(key.Get(), u"FriendlyName", Description);
      if (status == ERROR_SUCCESS) {
        status = detail::SetStringValue(key.Get(), u"CLSID", detail::GuidText(clsidCategory));
      }
      if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key.Get(), u"Merit", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&dwCategoryMerit), sizeof(DWORD));
      }
      return HRESULT_FROM_WIN32(status);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  // 0x80070002 when there is no such entry, which callers count as success.
  HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                             REFCLSID Filter) override {
    try {
      const std::u16string path = EntryPath(pclsidCategory, szInstance, Filter);
      return HRESULT_FROM_WIN32(RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str()));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name, IMoniker** ppMoniker,
                                           const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                           const REGFILTER2* prf2) override {
    // A caller's moniker names the entry on Windows; here the entry is always
    // the one the arguments name. An empty slot receives the entry's moniker; a
    // moniker already in it stays the caller's.
    const bool want_moniker = ppMoniker != nullptr && *ppMoniker == nullptr;
    if (Name == nullptr || prf2 == nullptr) return E_POINTER;
    try {
      const std::optional<detail::FilterData> data = detail::FilterDataFromRecord(*prf2);
      if (!data) return E_INVALIDARG;
      const std::vector<BYTE> blob = detail::EncodeFilterData(*data);
      const CLSID& category = pclsidCategory != nullptr ? *pclsidCategory : CLSID_LegacyAmFilterCategory;
      const std::u16string instance = szInstance != nullptr ? std::u16string(szInstance)
                                                            : detail::GuidText(clsidFilter);
      const std::u16string path = detail::InstanceKeyPath(category, instance);
      platform::RegistryKey key;
      LSTATUS status = RegCreateKeyW(HKEY_CLASSES_ROOT, path.c_str(), key.Receive());
      if (status == ERROR_SUCCESS) status = detail::SetStringValue(key.Get(), u"FriendlyName", Name);
      if (status == ERROR_SUCCESS) {
        status = detail::SetStringValue(key.Get(), u"CLSID", detail::GuidText(clsidFilter));
      }
      if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key.Get(), u"FilterData", 0, REG_BINARY, blob.data(),
                                static_cast<DWORD>(blob.size()));
      }
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
      if (want_moniker) {
        *ppMoniker = detail::NewDeviceMoniker(category, instance);
        if (*ppMoniker == nullptr) return E_OUTOFMEMORY;
      }
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumMoniker** ppEnum, DWORD, BOOL, DWORD, BOOL, DWORD,
                                                const GUID*, const REGPINMEDIUM*, const CLSID*, BOOL,
                                                BOOL, DWORD, const GUID*, const REGPINMEDIUM*,
                                                const CLSID*) override {
    if (ppEnum != nullptr) *ppEnum = nullptr;
    return E_NOTIMPL;  // nothing here builds graphs by matching
  }

 private:
  ~FilterMapper() = default;

  static std::u16string EntryPath(const CLSID* category, LPCOLESTR instance, REFCLSID filter) {
    return detail::InstanceKeyPath(category != nullptr ? *category : CLSID_LegacyAmFilterCategory,
                                   instance != nullptr ? std::u16string(instance) : detail::GuidText(filter));
  }

};

}  // namespace

HRESULT CreateFilterMapper2(IUnknown* outer, REFIID riid, void** object) {
  return CreateComObject<FilterMapper>(outer, riid, object);
}

}  // namespace orlin

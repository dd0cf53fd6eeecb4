#include "filter/com_server/registration.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "filter/com_server/module_file_name.h"
#include "orlin/com_ref.h"
#include "orlin/registry.h"

namespace orlin::filter {

using framework::AMOVIESETUP_FILTER;
using framework::AMOVIESETUP_PIN;
namespace {

constexpr int kMaxPath = 260;
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);
HMODULE server_module = nullptr;

HRESULT FromWin32(LSTATUS status) { return HRESULT_FROM_WIN32(static_cast<unsigned long>(status)); }

std::size_t WideLen(LPCWSTR text) { return std::char_traits<WCHAR>::length(text); }

// "CLSID\{...}" into key (kMaxPath characters).
bool ClassKeyName(REFCLSID clsid, WCHAR* key) {
  WCHAR text[39];
  if (StringFromGUID2(clsid, text, 39) == 0) return false;
  const WCHAR prefix[] = ORLIN_TEXT("CLSID\\");
  const std::size_t prefixLength = sizeof prefix / sizeof prefix[0] - 1;
  std::char_traits<WCHAR>::copy(key, prefix, prefixLength);
  std::char_traits<WCHAR>::copy(key + prefixLength, text, 39);
  return true;
}

// Deletes a key and everything below it; a key that cannot be opened stays.
void DeleteTree(HKEY parent, LPCWSTR name) {
  platform::RegistryKey key;
  if (RegOpenKeyExW(parent, name, 0, MAXIMUM_ALLOWED, key.Receive()) != ERROR_SUCCESS) return;
  for (;;) {
    WCHAR sub[kMaxPath];
    DWORD chars = kMaxPath;
    if (RegEnumKeyExW(key.Get(), 0, sub, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::size_t before = WideLen(sub);
    DeleteTree(key.Get(), sub);
    // A subkey that would not go would be enumerated for ever.
    if (before != 0 && RegOpenKeyExW(key.Get(), sub, 0, KEY_READ, platform::RegistryKey().Receive()) ==
                           ERROR_SUCCESS) {
      break;
    }
  }
  key.Reset();
  RegDeleteKeyW(parent, name);
}

}  // namespace

void SetServerModule(HMODULE module) { server_module = module; }
HMODULE ServerModule() { return server_module; }

HRESULT AMovieSetupRegisterServer(REFCLSID clsid, LPCWSTR description, LPCWSTR fileName,
                                  LPCWSTR threadingModel, LPCWSTR serverType) {
  WCHAR keyName[kMaxPath];
  if (!ClassKeyName(clsid, keyName)) return E_FAIL;
  platform::RegistryKey key;
  LSTATUS status = RegCreateKeyW(HKEY_CLASSES_ROOT, keyName, key.Receive());
  if (status != ERROR_SUCCESS) return FromWin32(status);
  status = RegSetValueW(key.Get(), nullptr, REG_SZ, description,
                        DWORD((WideLen(description) + 1) * sizeof(WCHAR)));
  if (status != ERROR_SUCCESS) return FromWin32(status);
  platform::RegistryKey server;
  status = RegCreateKeyW(key.Get(), serverType, server.Receive());
  if (status != ERROR_SUCCESS) return FromWin32(status);
  status = RegSetValueW(server.Get(), nullptr, REG_SZ, fileName,
                        DWORD((WideLen(fileName) + 1) * sizeof(WCHAR)));
  if (status != ERROR_SUCCESS) return FromWin32(status);
  status = RegSetValueExW(server.Get(), ORLIN_TEXT("ThreadingModel"), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(threadingModel),
                          DWORD((WideLen(threadingModel) + 1) * sizeof(WCHAR)));
  return status == ERROR_SUCCESS ? S_OK : FromWin32(status);
}

HRESULT AMovieSetupUnregisterServer(REFCLSID clsid) {
  WCHAR keyName[kMaxPath];
  if (!ClassKeyName(clsid, keyName)) return E_FAIL;
  DeleteTree(HKEY_CLASSES_ROOT, keyName);
  return S_OK;
}

HRESULT RegisterFilter2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper, BOOL doRegister) {
  if (setup == nullptr) return S_FALSE;
  HRESULT hr = mapper->UnregisterFilter(nullptr, nullptr, *setup->clsID);
  if (doRegister) {
    REGFILTER2 record{};
    record.dwVersion = 1;
    record.dwMerit = setup->dwMerit;
    record.cPins = setup->nPins;
    // The setup records are laid out as the mapper's version 1 pin records.
    record.rgPins = reinterpret_cast<const REGFILTERPINS*>(setup->lpPin);
    hr = mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, nullptr, nullptr, &record);
  }
  return hr == kNotFound ? S_OK : hr;
}

HRESULT RegisterFilter1(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper, BOOL doRegister) {
  if (setup == nullptr) return S_FALSE;
  HRESULT hr = mapper->UnregisterFilter(*setup->clsID);
  if (doRegister) {
    hr = mapper->RegisterFilter(*setup->clsID, setup->strName, setup->dwMerit);
    for (UINT p = 0; SUCCEEDED(hr) && p < setup->nPins; ++p) {
      const AMOVIESETUP_PIN& pin = setup->lpPin[p];
      hr = mapper->RegisterPin(*setup->clsID, pin.strName, pin.bRendered, pin.bOutput, pin.bZero,
                               pin.bMany, *pin.clsConnectsToFilter, pin.strConnectsToPin);
      for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
        hr = mapper->RegisterPinType(*setup->clsID, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                     *pin.lpMediaType[t].clsMinorType);
      }
    }
  }
  return hr == kNotFound ? S_OK : hr;
}

HRESULT RegisterAllServers(BOOL doRegister) {
  HRESULT hr = S_OK;
  if (doRegister) {
    // The wide name, whole: a name narrowed to the code page or cut to a
    // buffer would register a file that is not there.
    std::basic_string<WCHAR> fileName;
    hr = ModuleFileName(ServerModule(), fileName);
    for (int i = 0; i < kTemplateCount && SUCCEEDED(hr); ++i) {
      hr = AMovieSetupRegisterServer(*kTemplates[i].clsid, kTemplates[i].name, fileName.c_str(),
                                     ORLIN_TEXT("Both"), ORLIN_TEXT("InprocServer32"));
    }
    if (FAILED(hr)) return hr;
  }

  // Balanced: a caller already in another apartment (RPC_E_CHANGED_MODE) must
  // keep its COM initialisation.
  const bool initialised = SUCCEEDED(CoInitialize(nullptr));
  ComRef<IFilterMapper2> mapper2;
  ComRef<IFilterMapper> mapper1;
  hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                        mapper2.ReceiveVoid());
  if (FAILED(hr)) {
    hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                          mapper1.ReceiveVoid());
  }
  if (SUCCEEDED(hr)) {
    for (int i = 0; i < kTemplateCount && SUCCEEDED(hr); ++i) {
      if (kTemplates[i].setup == nullptr) continue;
      hr = mapper2 ? RegisterFilter2(kTemplates[i].setup, mapper2.Get(), doRegister)
                   : RegisterFilter1(kTemplates[i].setup, mapper1.Get(), doRegister);
    }
  }
  mapper2.Clear();
  mapper1.Clear();
  CoFreeUnusedLibraries();
  if (initialised) CoUninitialize();

  if (!doRegister && SUCCEEDED(hr)) {
    for (int i = 0; i < kTemplateCount && SUCCEEDED(hr); ++i) {
      hr = AMovieSetupUnregisterServer(*kTemplates[i].clsid);
    }
  }
  return hr;
}

}  // namespace orlin::filter

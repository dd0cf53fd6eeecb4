// The filter mapper: where a filter library enters its filter in the general
// DirectShow filter list and in device categories (video input devices), and
// removes it again. On Windows it comes from the SDK (link strmiids); on Linux
// these are the SDK's declarations in its method order with the real
// identifier values, and host_services.h serves the classes.
#pragma once

#include "orlin/dshow.h"
#include "orlin/moniker.h"

#ifndef _WIN32
struct IEnumRegFilters;  // referenced by IFilterMapper only

enum {
  MERIT_PREFERRED = 0x800000,
  MERIT_NORMAL = 0x600000,
  MERIT_UNLIKELY = 0x400000,
  MERIT_DO_NOT_USE = 0x200000,
  MERIT_SW_COMPRESSOR = 0x100000,
  MERIT_HW_COMPRESSOR = 0x100050
};

struct REGPINTYPES {
  const CLSID* clsMajorType;
  const CLSID* clsMinorType;
};

// A pin as version 1 of REGFILTER2 describes it (the AMOVIESETUP_PIN layout).
struct REGFILTERPINS {
  LPWSTR strName;
  BOOL bRendered;
  BOOL bOutput;
  BOOL bZero;
  BOOL bMany;
  const CLSID* clsConnectsToFilter;
  const WCHAR* strConnectsToPin;
  UINT nMediaTypes;
  const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
  CLSID clsMedium;
  DWORD dw1;
  DWORD dw2;
};

enum {
  REG_PINFLAG_B_ZERO = 0x1,
  REG_PINFLAG_B_RENDERER = 0x2,
  REG_PINFLAG_B_MANY = 0x4,
  REG_PINFLAG_B_OUTPUT = 0x8
};

// A pin as version 2 of REGFILTER2 describes it.
struct REGFILTERPINS2 {
  DWORD dwFlags;
  UINT cInstances;
  UINT nMediaTypes;
  const REGPINTYPES* lpMediaType;
  UINT nMediums;
  const REGPINMEDIUM* lpMedium;
  const CLSID* clsPinCategory;
};

// dwVersion 1 uses cPins/rgPins, version 2 cPins2/rgPins2. The members are
// named as the SDK names them, through anonymous structs (a GNU extension).
// clang reports the anonymous structs under -Wpedantic even with __extension__.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wnested-anon-types"
#endif
struct REGFILTER2 {
  DWORD dwVersion;
  DWORD dwMerit;
  union {
    __extension__ struct {
      ULONG cPins;
      const REGFILTERPINS* rgPins;
    };
    __extension__ struct {
      ULONG cPins2;
      const REGFILTERPINS2* rgPins2;
    };
  };
};
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

struct IFilterMapper : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RegisterFilter(CLSID clsid, LPCWSTR Name, DWORD dwMerit) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterFilterInstance(CLSID clsid, LPCWSTR Name,
                                                           CLSID* MRId) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterPin(CLSID Filter, LPCWSTR Name, BOOL bRendered,
                                                BOOL bOutput, BOOL bZero, BOOL bMany,
                                                CLSID ConnectsToFilter,
                                                LPCWSTR ConnectsToPin) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterPinType(CLSID clsFilter, LPCWSTR strName,
                                                    CLSID clsMajorType, CLSID clsSubType) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilter(CLSID Filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilterInstance(CLSID MRId) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterPin(CLSID Filter, LPCWSTR Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumRegFilters** ppEnum, DWORD dwMerit,
                                                        BOOL bInputNeeded, CLSID clsInMaj,
                                                        CLSID clsInSub, BOOL bRender,
                                                        BOOL bOutputNeeded, CLSID clsOutMaj,
                                                        CLSID clsOutSub) = 0;
};

struct IFilterMapper2 : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                                   LPCWSTR Description) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* pclsidCategory,
                                                     LPCOLESTR szInstance, REFCLSID Filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name,
                                                   IMoniker** ppMoniker,
                                                   const CLSID* pclsidCategory,
                                                   LPCOLESTR szInstance,
                                                   const REGFILTER2* prf2) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMatchingFilters(
      IEnumMoniker** ppEnum, DWORD dwFlags, BOOL bExactMatch, DWORD dwMerit, BOOL bInputNeeded,
      DWORD cInputTypes, const GUID* pInputTypes, const REGPINMEDIUM* pMedIn,
      const CLSID* pPinCategoryIn, BOOL bRender, BOOL bOutputNeeded, DWORD cOutputTypes,
      const GUID* pOutputTypes, const REGPINMEDIUM* pMedOut, const CLSID* pPinCategoryOut) = 0;
};

inline constexpr IID IID_IFilterMapper = {0x56a868a3, 0x0ad4, 0x11ce,
                                          {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IFilterMapper2 = {0xb79bb0b0, 0x33c1, 0x11d1,
                                           {0xab, 0xe1, 0x00, 0xa0, 0xc9, 0x05, 0xf3, 0x75}};

inline constexpr CLSID CLSID_FilterMapper = {0xe436ebb2, 0x524f, 0x11ce,
                                             {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr CLSID CLSID_FilterMapper2 = {0xcda42200, 0xbd88, 0x11d0,
                                              {0xbd, 0x4e, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};

// Categories: the general filter list and the video input devices.
inline constexpr CLSID CLSID_LegacyAmFilterCategory = {
    0x083863f1, 0x70de, 0x11d0, {0xbd, 0x40, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
inline constexpr CLSID CLSID_VideoInputDeviceCategory = {
    0x860bb310, 0x5d01, 0x11d0, {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
inline constexpr GUID PIN_CATEGORY_CAPTURE = {0xfb6c4281, 0x0353, 0x11d1,
                                              {0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}};
#endif

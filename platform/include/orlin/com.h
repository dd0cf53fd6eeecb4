// COM basics: GUIDs, result codes, IUnknown, IPersist and task memory.
// On Windows they come from the SDK (link ole32 and uuid). On Linux this is the
// least subset our code uses, laid out as the SDK lays it out, with the real
// identifier values, so code written against it also compiles for Windows.
#pragma once

#include "orlin/win_types.h"

#ifdef _WIN32
#include <objbase.h>
#include <unknwn.h>
#else
#include <cstddef>
#include <cstdint>
#include <cstring>

// Calling convention marker of COM methods: nothing to say on Linux.
#define STDMETHODCALLTYPE

using DWORD_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using LONG_PTR = std::intptr_t;

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }

// Result codes, with the SDK's values.
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define S_OK (static_cast<HRESULT>(0x00000000))
#define S_FALSE (static_cast<HRESULT>(0x00000001))
#define E_NOTIMPL (static_cast<HRESULT>(0x80004001))
#define E_NOINTERFACE (static_cast<HRESULT>(0x80004002))
#define E_POINTER (static_cast<HRESULT>(0x80004003))
#define E_ABORT (static_cast<HRESULT>(0x80004004))
#define E_FAIL (static_cast<HRESULT>(0x80004005))
#define E_UNEXPECTED (static_cast<HRESULT>(0x8000FFFF))
#define E_ACCESSDENIED (static_cast<HRESULT>(0x80070005))
#define E_HANDLE (static_cast<HRESULT>(0x80070006))
#define E_OUTOFMEMORY (static_cast<HRESULT>(0x8007000E))
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057))
#define CLASS_E_NOAGGREGATION (static_cast<HRESULT>(0x80040110))
#define CLASS_E_CLASSNOTAVAILABLE (static_cast<HRESULT>(0x80040111))
#define REGDB_E_CLASSNOTREG (static_cast<HRESULT>(0x80040154))
#define CO_E_CLASSSTRING (static_cast<HRESULT>(0x800401F3))
// A server's self-registration could not register (or unregister) its classes.
#define SELFREG_E_CLASS (static_cast<HRESULT>(0x80040201))

// A Win32 error as a result code: 0x80070000 with the error in the low 16 bits.
inline HRESULT HRESULT_FROM_WIN32(unsigned long error) {
  return static_cast<HRESULT>(error) <= 0
             ? static_cast<HRESULT>(error)
             : static_cast<HRESULT>((error & 0x0000FFFFu) | 0x80070000u);
}

inline constexpr GUID GUID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                     {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersist = {0x0000010c, 0x0000, 0x0000,
                                     {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IPersist : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) = 0;
};

// The factory an in-process server hands out through DllGetClassObject.
struct IClassFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                   void** ppvObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000,
                                          {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Where CoCreateInstance may look for a class; only in-process servers exist here.
enum CLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10
};
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL \
  (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

// Apartment flags of CoInitializeEx; every thread here is free-threaded alike.
enum COINIT {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8
};

HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
// OLE on top of COM, for callers that need it around a library's registration;
// here it is COM's initialisation alone.
HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize();
void CoFreeUnusedLibraries();

// Creates an object of a registered class and asks it for one interface.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);

// Task memory: blocks that cross a COM boundary (media type formats, names).
void* CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(void* block);

// GUIDs as text in the registry's braced form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// Characters written including the terminator (39), or 0 when cchMax is too small.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// S_OK, or CO_E_CLASSSTRING for text not in the braced form; a null text gives GUID_NULL.
HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
// As CLSIDFromString, but E_INVALIDARG for text not in the braced form.
HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid);
#endif

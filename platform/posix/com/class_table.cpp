// CoCreateInstance over a table of in-process classes. Programs and tests
// register the classes they serve; the host objects are there from the start;
// other classes come from the libraries registered for them in the hive.
#include <mutex>
#include <vector>

#include "orlin/device_enumerator.h"
#include "orlin/host_services.h"
#include "platform/posix/com/server_loader.h"

namespace orlin {
namespace {

struct ClassEntry {
  CLSID clsid;
  InProcessClassFactory create;
};

class ClassTable {
 public:
  ClassTable()
      : entries_{{CLSID_MemoryAllocator, &CreateMemoryAllocator},
                 {CLSID_SystemClock, &CreateSystemClock},
                 {CLSID_FilterMapper2, &CreateFilterMapper2},
                 {CLSID_SystemDeviceEnum, &CreateSystemDeviceEnum}} {}

  HRESULT Register(REFCLSID clsid, InProcessClassFactory create) {
    std::lock_guard lock(mutex_);
    for (ClassEntry& entry : entries_) {
      if (IsEqualCLSID(entry.clsid, clsid)) {
        entry.create = create;
        return S_FALSE;
      }
    }
    entries_.push_back({clsid, create});
    return S_OK;
  }

  HRESULT Unregister(REFCLSID clsid) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (IsEqualCLSID(it->clsid, clsid)) {
        entries_.erase(it);
        return S_OK;
      }
    }
    return S_FALSE;
  }

  // The factory is copied out so that creation runs without the lock: a class
  // may create further objects through CoCreateInstance while it is built.
  InProcessClassFactory Find(REFCLSID clsid) {
    std::lock_guard lock(mutex_);
    for (const ClassEntry& entry : entries_) {
      if (IsEqualCLSID(entry.clsid, clsid)) return entry.create;
    }
    return nullptr;
  }

 private:
  std::mutex mutex_;
  std::vector<ClassEntry> entries_;
};

ClassTable& Classes() {
  static ClassTable table;
  return table;
}

}  // namespace

HRESULT RegisterInProcessClass(REFCLSID clsid, InProcessClassFactory create) {
  if (create == nullptr) return E_INVALIDARG;
  try {
    return Classes().Register(clsid, create);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT UnregisterInProcessClass(REFCLSID clsid) { return Classes().Unregister(clsid); }

}  // namespace orlin

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  // Only in-process servers exist; asking for any other kind finds no class.
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  if (const orlin::InProcessClassFactory create = orlin::Classes().Find(rclsid)) {
    return create(pUnkOuter, riid, ppv);
  }
  // Else a library registered as the class's in-process server.
  return orlin::detail::CreateFromRegisteredServer(rclsid, pUnkOuter, riid, ppv);
}

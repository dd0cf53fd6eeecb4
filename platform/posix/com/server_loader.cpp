// Loading registered in-process servers with dlopen, the counterpart of what
// COM does with LoadLibrary on Windows.
#include "platform/posix/com/server_loader.h"

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <vector>

#include "orlin/host_services.h"
#include "orlin/registry.h"
#include "platform/posix/com/class_keys.h"
#include "platform/posix/win32/utf16.h"

namespace orlin {
namespace {

constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007E);  // ERROR_MOD_NOT_FOUND
constexpr HRESULT kErrorInDll = static_cast<HRESULT>(0x800401F9);      // CO_E_ERRORINDLL

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT (*)();

struct LoadedServer {
  std::string path;
  void* handle;
  GetClassObjectFunction get_class_object;
  CanUnloadNowFunction can_unload_now;  // may be missing: then never unloaded
};

// Why the last load failed on this thread, for a host's error message.
thread_local std::string last_error;

class ServerTable {
 public:
  // The library's DllGetClassObject, loading the library when needed.
  HRESULT Find(const std::string& path, GetClassObjectFunction& get) {
    std::lock_guard lock(mutex_);
    for (const LoadedServer& server : servers_) {
      if (server.path == path) {
        get = server.get_class_object;
        return S_OK;
      }
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* why = dlerror();
      last_error = why != nullptr ? why : path;
      return kModuleNotFound;
    }
    get = reinterpret_cast<GetClassObjectFunction>(dlsym(handle, "DllGetClassObject"));
    if (get == nullptr) {
      last_error = path + ": no DllGetClassObject";
      dlclose(handle);
      return kErrorInDll;
    }
    auto can_unload = reinterpret_cast<CanUnloadNowFunction>(dlsym(handle, "DllCanUnloadNow"));
    servers_.push_back({path, handle, get, can_unload});
    return S_OK;
  }

  void FreeUnused() {
    std::lock_guard lock(mutex_);
    for (auto it = servers_.begin(); it != servers_.end();) {
      if (it->can_unload_now != nullptr && it->can_unload_now() == S_OK) {
        dlclose(it->handle);
        it = servers_.erase(it);
      } else {
        ++it;
      }
    }
  }

  // Recursive: a server's DllGetClassObject may itself create objects.
  std::recursive_mutex& Mutex() { return mutex_; }

 private:
  std::recursive_mutex mutex_;
  std::vector<LoadedServer> servers_;
};

ServerTable& Servers() {
  static ServerTable table;
  return table;
}

// The library path registered for the class, empty when there is none.
std::string RegisteredServerPath(REFCLSID clsid) {
  const std::u16string path = detail::ClassKeyPath(clsid) + u"\\InprocServer32";
  platform::RegistryKey key;
  std::u16string file;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS ||
      !detail::QueryStringValue(key.Get(), nullptr, file)) {
    return {};
  }
  return detail::Utf16ToUtf8(file.c_str());
}

}  // namespace

std::string InProcessServerError() { return last_error; }

namespace detail {

HRESULT CreateFromRegisteredServer(REFCLSID clsid, IUnknown* outer, REFIID riid, void** object) {
  try {
    const std::string path = RegisteredServerPath(clsid);
    if (path.empty()) {
      last_error = "class " + Utf16ToUtf8(GuidText(clsid).c_str()) + " is not registered";
      return REGDB_E_CLASSNOTREG;
    }
    IClassFactory* factory = nullptr;
    {
      // The factory is obtained under the lock, so the library cannot be
      // unloaded between lookup and call; it then holds the library itself.
      std::lock_guard lock(Servers().Mutex());
      GetClassObjectFunction get = nullptr;
      const HRESULT found = Servers().Find(path, get);
      if (FAILED(found)) return found;
      const HRESULT hr = get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
      if (FAILED(hr)) {
        last_error = path + ": DllGetClassObject failed";
        return hr;
      }
    }
    const HRESULT hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace detail
}  // namespace orlin

void CoFreeUnusedLibraries() { orlin::Servers().FreeUnused(); }
